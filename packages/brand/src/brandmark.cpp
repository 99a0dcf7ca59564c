#include "tarnwick/brand/brandmark.h"

#include <cmath>

#include <QPainter>
#include <QSvgRenderer>

#include "tarnwick/brand/markartwork.h"

namespace tarnwick {

namespace brand {

std::optional<QImage> renderSvg(const std::string& svg, QSizeF points, qreal devicePixelRatio)
{
    if (!(points.width() > 0) || !(points.height() > 0) || !(devicePixelRatio > 0))
        return std::nullopt;
    QSvgRenderer renderer(QByteArray(svg.data(), static_cast<qsizetype>(svg.size())));
    if (!renderer.isValid())
        return std::nullopt;
    const QSize pixels(std::max(1, qRound(points.width() * devicePixelRatio)),
                       std::max(1, qRound(points.height() * devicePixelRatio)));
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return std::nullopt;
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        renderer.render(&p, QRectF(QPointF(0, 0), QSizeF(pixels)));
    }
    image.setDevicePixelRatio(devicePixelRatio);
    return image;
}

} // namespace brand

double BrandMark::aspectRatio() const
{
    return markartwork::definition(m_kind).aspectRatio();
}

std::optional<QImage> BrandMark::image(double width, qreal devicePixelRatio) const
{
    return brand::renderSvg(markartwork::definition(m_kind).svg, QSizeF(width, width / aspectRatio()),
                            devicePixelRatio);
}

} // namespace tarnwick
