#pragma once

// Qt's own X11 connection, for the few things the tray does in the X protocol itself (the XEmbed
// icon, the XWayland popover's window states, finding the panel's window).

#include <QByteArray>
#include <QGuiApplication>
#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

namespace tarnwick::x11 {

/// A reply from xcb, freed with free().
template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

/// The connection of Qt's xcb platform; null on any other platform.
inline xcb_connection_t* connection()
{
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app || QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

/// The atom named `name`, interned (or, with `onlyIfExists`, XCB_NONE when nobody interned it yet).
inline xcb_atom_t atom(xcb_connection_t* c, const QByteArray& name, bool onlyIfExists = false)
{
    Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, onlyIfExists, uint16_t(name.size()), name.constData()), nullptr),
        &std::free);
    return reply ? reply->atom : XCB_NONE;
}

} // namespace tarnwick::x11
