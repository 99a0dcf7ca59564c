#include "tarnwick/ui/accountdot.h"

#include <QBuffer>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

#include "tarnwick/rpc/asciihex.h"

namespace tarnwick {
namespace {

// Larger images are no dot; refusing them keeps a hostile height from allocating gigabytes.
constexpr double kMaxSide = 8192;

QColor fromRgb(unsigned rgb)
{
    return QColor::fromRgbF(((rgb >> 16) & 0xff) / 255.0f, ((rgb >> 8) & 0xff) / 255.0f, (rgb & 0xff) / 255.0f, 1.0f);
}

bool isTrimmed(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

} // namespace

QColor AccountDot::entityColor(std::string_view colorHex)
{
    while (!colorHex.empty() && isTrimmed(colorHex.front()))
        colorHex.remove_prefix(1);
    while (!colorHex.empty() && isTrimmed(colorHex.back()))
        colorHex.remove_suffix(1);
    if (!colorHex.empty() && colorHex.front() == '#')
        colorHex.remove_prefix(1);
    if (const auto rgb = ascii::sixHexDigits(colorHex))
        return fromRgb(*rgb);
    return QColor(168, 85, 247);
}

QColor AccountDot::hexColor(const QString& hex)
{
    QString digits = hex;
    if (digits.startsWith(QLatin1Char('#')))
        digits.remove(0, 1);
    const QByteArray latin = digits.toLatin1();
    if (digits.size() == 6) {
        if (const auto rgb = ascii::sixHexDigits(std::string_view(latin.constData(), static_cast<std::size_t>(latin.size()))))
            return fromRgb(*rgb);
    }
    return QColor::fromRgbF(0.5f, 0.5f, 0.5f, 1.0f);
}

QImage AccountDot::image(const QString& hex, bool filled, double diameter, double ringStroke, double devicePixelRatio)
{
    const double pixels = diameter * devicePixelRatio;
    if (!(pixels >= 1.0) || pixels > kMaxSide || !(devicePixelRatio > 0))
        return {};
    const int side = static_cast<int>(std::ceil(pixels));
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor color = hexColor(hex);
    if (filled) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.drawEllipse(QRectF(0, 0, diameter, diameter));
    } else {
        const double inset = ringStroke / 2;
        painter.setPen(QPen(color, ringStroke));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(QRectF(inset, inset, diameter - ringStroke, diameter - ringStroke));
    }
    painter.end();
    return image;
}

QRectF AccountDot::pngDiscRect(int height, double aspect)
{
    const double width = std::round(height * aspect);
    if (height <= 0 || !(width >= 1) || width > kMaxSide || height > kMaxSide)
        return {};
    const double inset = height * 0.1;
    const double d = height - 2 * inset;
    return QRectF((width - d) / 2, inset, d, d);
}

std::optional<QByteArray> AccountDot::png(std::string_view colorHex, int height, double aspect)
{
    const QRectF disc = pngDiscRect(height, aspect);
    if (disc.isEmpty())
        return std::nullopt;
    const int width = static_cast<int>(std::round(height * aspect));
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return std::nullopt;
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(entityColor(colorHex));
    painter.drawEllipse(disc);
    painter.end();

    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
        return std::nullopt;
    return bytes;
}

} // namespace tarnwick
