#include "xwaylandpopover_p.h"

#include <QGuiApplication>
#include <QString>
#include <QWidget>
#include <xcb/xcb.h>

#include "x11connection_p.h"

namespace tarnwick::xwaylandpopover {

using x11::atom;
using x11::connection;

bool active()
{
    return QGuiApplication::platformName() == QLatin1String("xcb") && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

void keepOutOfTaskbar(QWidget& window)
{
    xcb_connection_t* c = connection();
    if (!c)
        return;
    const xcb_window_t id = xcb_window_t(window.winId());
    const xcb_atom_t skipTaskbar = atom(c, "_NET_WM_STATE_SKIP_TASKBAR");
    const xcb_atom_t skipPager = atom(c, "_NET_WM_STATE_SKIP_PAGER");
    if (!window.isVisible()) {
        const xcb_atom_t states[] = {skipTaskbar, skipPager};
        xcb_change_property(c, XCB_PROP_MODE_APPEND, id, atom(c, "_NET_WM_STATE"), XCB_ATOM_ATOM, 32, 2, states);
        xcb_flush(c);
        return;
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    // The EWMH request for a mapped window: _NET_WM_STATE, add, two states, from an application.
    constexpr uint32_t kAdd = 1;
    constexpr uint32_t kFromApplication = 1;
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = id;
    event.type = atom(c, "_NET_WM_STATE");
    event.data.data32[0] = kAdd;
    event.data.data32[1] = skipTaskbar;
    event.data.data32[2] = skipPager;
    event.data.data32[3] = kFromApplication;
    xcb_send_event(c, 0, screen->root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(c);
}

void setStartupId(QWidget& window, const QString& token)
{
    xcb_connection_t* c = connection();
    if (!c || token.isEmpty() || window.isVisible())
        return;
    const QByteArray id = token.toUtf8();
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, xcb_window_t(window.winId()), atom(c, "_NET_STARTUP_ID"),
                        atom(c, "UTF8_STRING"), 8, uint32_t(id.size()), id.constData());
    xcb_flush(c);
}

} // namespace tarnwick::xwaylandpopover
