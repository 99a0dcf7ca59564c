#include "tarnwick/brand/templateimage.h"

#include <QPainter>

namespace tarnwick {

TemplateImage::TemplateImage(const QImage& image)
    : m_mask(image.convertToFormat(QImage::Format_ARGB32_Premultiplied))
{
    m_mask.setDevicePixelRatio(image.devicePixelRatio());
    QPainter p(&m_mask);
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(QRect(QPoint(0, 0), m_mask.size() / m_mask.devicePixelRatio()), Qt::black);
}

QImage TemplateImage::tinted(const QColor& color) const
{
    QImage out = m_mask.copy();
    out.setDevicePixelRatio(m_mask.devicePixelRatio());
    QPainter p(&out);
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(QRectF(QPointF(0, 0), out.deviceIndependentSize()), color);
    return out;
}

} // namespace tarnwick
