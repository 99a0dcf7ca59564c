#include "tarnwick/ui/colorwell.h"

#include <QColorDialog>
#include <QPainter>

namespace tarnwick {

ColorWell::ColorWell(const QColor& color, QWidget* parent)
    : QAbstractButton(parent)
    , m_color(color)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    setToolTip(QString());
    connect(this, &QAbstractButton::clicked, this, &ColorWell::openDialog);
}

void ColorWell::setColor(const QColor& color)
{
    if (m_color == color)
        return;
    m_color = color;
    update();
}

QSize ColorWell::sizeHint() const
{
    return {44, 22};
}

void ColorWell::openDialog()
{
    if (m_dialog) {
        m_dialog->raise();
        return;
    }
    // Open, not exec: the tab keeps running and the dialog belongs to this well's window.
    m_dialog = new QColorDialog(m_color, this);
    m_dialog->setAttribute(Qt::WA_DeleteOnClose);
    m_dialog->setOption(QColorDialog::ShowAlphaChannel, false);
    connect(m_dialog, &QColorDialog::colorSelected, this, [this](const QColor& chosen) {
        if (!chosen.isValid())
            return;
        m_color = chosen;
        update();
        Q_EMIT colorChosen(chosen);
    });
    m_dialog->open();
}

void ColorWell::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPalette& pal = palette();
    const QRectF outer = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(pal.color(QPalette::Mid), 1));
    p.setBrush(isDown() ? pal.color(QPalette::Midlight) : pal.color(QPalette::Button));
    p.drawRoundedRect(outer, 5, 5);
    p.setPen(Qt::NoPen);
    p.setBrush(m_color);
    p.drawRoundedRect(outer.adjusted(3.5, 3.5, -3.5, -3.5), 3, 3);
    if (hasFocus()) {
        // A keyboard user must see where the focus is, on light and dark palettes alike.
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(pal.color(QPalette::Highlight), 2));
        p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 5, 5);
    }
}

} // namespace tarnwick
