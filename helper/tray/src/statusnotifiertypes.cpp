#include "tarnwick/helper/statusnotifiertypes.h"

#include <QDBusMetaType>
#include <QtEndian>
#include <mutex>

namespace tarnwick {

SniImage SniImage::fromImage(const QImage& source)
{
    if (source.isNull())
        return {};
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    SniImage out{image.width(), image.height(), {}};
    out.data.resize(qsizetype(image.width()) * image.height() * 4);
    auto* dst = reinterpret_cast<quint32*>(out.data.data());
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const quint32*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            *dst++ = qToBigEndian<quint32>(line[x]);
    }
    return out;
}

QImage SniImage::toImage() const
{
    if (width <= 0 || height <= 0 || data.size() != qsizetype(width) * height * 4)
        return {};
    QImage image(width, height, QImage::Format_ARGB32);
    const auto* src = reinterpret_cast<const quint32*>(data.constData());
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = qFromBigEndian<quint32>(*src++);
    }
    return image;
}

QDBusArgument& operator<<(QDBusArgument& argument, const SniImage& image)
{
    argument.beginStructure();
    argument << image.width << image.height << image.data;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, SniImage& image)
{
    argument.beginStructure();
    argument >> image.width >> image.height >> image.data;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const SniToolTip& toolTip)
{
    argument.beginStructure();
    argument << toolTip.iconName << toolTip.image << toolTip.title << toolTip.description;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, SniToolTip& toolTip)
{
    argument.beginStructure();
    argument >> toolTip.iconName >> toolTip.image >> toolTip.title >> toolTip.description;
    argument.endStructure();
    return argument;
}

void registerStatusNotifierTypes()
{
    static std::once_flag once;
    std::call_once(once, [] {
        qRegisterMetaType<SniImage>("tarnwick::SniImage");
        qRegisterMetaType<SniImageList>("tarnwick::SniImageList");
        qRegisterMetaType<SniToolTip>("tarnwick::SniToolTip");
        qDBusRegisterMetaType<SniImage>();
        qDBusRegisterMetaType<SniImageList>();
        qDBusRegisterMetaType<SniToolTip>();
    });
}

} // namespace tarnwick
