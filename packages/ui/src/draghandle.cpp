#include "tarnwick/ui/draghandle.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace tarnwick {

DragHandle::DragHandle(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("dragHandle"));
    setCursor(Qt::OpenHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    setToolTip(QStringLiteral("Drag to reorder"));
    // Focus would move the row's selection away from where the user is looking; the key only cancels.
    setFocusPolicy(Qt::ClickFocus);
}

QSize DragHandle::sizeHint() const
{
    return {12, 22};
}

void DragHandle::paintEvent(QPaintEvent*)
{
    // Two columns of three dots: the grip sign common to GNOME and KDE lists.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(palette().color(QPalette::PlaceholderText));
    const QPointF centre = QRectF(rect()).center();
    for (int column : {-1, 1})
        for (int line : {-1, 0, 1})
            p.drawEllipse(QPointF(centre.x() + column * 2.5, centre.y() + line * 5.0), 1.4, 1.4);
}

void DragHandle::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    m_pressed = true;
    m_dragging = false;
    m_pressAt = event->globalPosition().toPoint();
    setCursor(Qt::ClosedHandCursor);
    event->accept();
}

void DragHandle::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_pressed)
        return;
    const QPoint at = event->globalPosition().toPoint();
    if (!m_dragging) {
        if ((at - m_pressAt).manhattanLength() < QApplication::startDragDistance())
            return;
        m_dragging = true;
        Q_EMIT dragStarted(m_pressAt);
    }
    Q_EMIT dragMoved(at);
}

void DragHandle::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_pressed)
        return;
    const bool wasDragging = m_dragging;
    m_pressed = false;
    m_dragging = false;
    setCursor(Qt::OpenHandCursor);
    if (wasDragging)
        Q_EMIT dropped(event->globalPosition().toPoint());
}

void DragHandle::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && m_dragging) {
        cancel();
        return;
    }
    QWidget::keyPressEvent(event);
}

void DragHandle::cancel()
{
    m_pressed = false;
    m_dragging = false;
    setCursor(Qt::OpenHandCursor);
    Q_EMIT dragCancelled();
}

} // namespace tarnwick
