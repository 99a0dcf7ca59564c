#pragma once

// The structured D-Bus types of the StatusNotifierItem interface: icon pixmaps (a(iiay)) and the
// tool tip ((sa(iiay)ss)). Call registerStatusNotifierTypes() once before using them on the bus.

#include <QByteArray>
#include <QDBusArgument>
#include <QImage>
#include <QList>
#include <QMetaType>
#include <QString>

namespace tarnwick {

/// One icon pixmap: width, height and ARGB32 pixels in network byte order (A, R, G, B per pixel).
struct SniImage {
    int width = 0;
    int height = 0;
    QByteArray data;

    /// Converts any image (premultiplied or not) to straight-alpha ARGB32, big-endian.
    static SniImage fromImage(const QImage& image);
    /// Back to an image; a null image when the data does not match the size.
    QImage toImage() const;
    friend bool operator==(const SniImage&, const SniImage&) = default;
};
using SniImageList = QList<SniImage>;

struct SniToolTip {
    QString iconName;
    SniImageList image;
    QString title;
    QString description;
    friend bool operator==(const SniToolTip&, const SniToolTip&) = default;
};

QDBusArgument& operator<<(QDBusArgument& argument, const SniImage& image);
const QDBusArgument& operator>>(const QDBusArgument& argument, SniImage& image);
QDBusArgument& operator<<(QDBusArgument& argument, const SniToolTip& toolTip);
const QDBusArgument& operator>>(const QDBusArgument& argument, SniToolTip& toolTip);

/// Registers the types with Qt's meta-type and D-Bus systems; safe to call more than once.
void registerStatusNotifierTypes();

} // namespace tarnwick

Q_DECLARE_METATYPE(tarnwick::SniImage)
Q_DECLARE_METATYPE(tarnwick::SniToolTip)
