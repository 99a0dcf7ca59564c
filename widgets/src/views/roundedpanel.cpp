#include "tarnwick/widgets/views/roundedpanel.h"

#include <QPainter>

namespace tarnwick {

RoundedPanel::RoundedPanel(qreal radius, const QColor& fill, const QColor& border, QWidget* parent)
    : QWidget(parent), m_radius(radius), m_fill(fill), m_border(border)
{
}

QPainterPath RoundedPanel::shape() const
{
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), m_radius, m_radius);
    return path;
}

void RoundedPanel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(shape(), m_fill);
    if (m_border.alpha() > 0) {
        // A 1-point stroke inside the edge: the path inset by half the pen width.
        const QRectF inner = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        QPainterPath border;
        border.addRoundedRect(inner, m_radius - 0.5, m_radius - 0.5);
        p.strokePath(border, QPen(m_border, 1.0));
    }
}

} // namespace tarnwick
