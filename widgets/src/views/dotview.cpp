#include "tarnwick/widgets/views/dotview.h"

#include <cmath>

#include <QPainter>

namespace tarnwick {

DotView::DotView(qreal diameter, const QColor& color, QWidget* parent)
    : QWidget(parent), m_diameter(diameter), m_color(color)
{
    setFixedSize(sizeHint());
    setProperty("accessibilityHidden", true);
}

QSize DotView::sizeHint() const
{
    const int side = int(std::ceil(m_diameter));
    return QSize(side, side);
}

void DotView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(m_color);
    const QRectF box(QPointF(0, 0), QSizeF(m_diameter, m_diameter));
    p.drawEllipse(box.translated((width() - m_diameter) / 2, (height() - m_diameter) / 2));
}

} // namespace tarnwick
