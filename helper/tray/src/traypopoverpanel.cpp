#include "traypopoverpanel_p.h"

#include <QByteArray>
#include <QGuiApplication>
#include <cstdlib>
#include <memory>
#include <vector>
#include <xcb/xcb.h>

#include "x11connection_p.h"

namespace tarnwick::traypopoverpanel {

namespace {

template <typename T>
using XcbReply = x11::Reply<T>;

// Only atoms the window manager already interned mean anything here.
xcb_atom_t atom(xcb_connection_t* c, const char* name)
{
    return x11::atom(c, name, true);
}

bool isDock(xcb_connection_t* c, xcb_window_t window, xcb_atom_t type, xcb_atom_t dock)
{
    XcbReply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, type, XCB_ATOM_ATOM, 0, 32), nullptr), &std::free);
    if (!reply || reply->format != 32)
        return false;
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    for (int i = 0; i < count; ++i)
        if (atoms[i] == dock)
            return true;
    return false;
}

std::optional<QRect> rootGeometry(xcb_connection_t* c, xcb_window_t window, xcb_window_t root)
{
    XcbReply<xcb_get_geometry_reply_t> size(xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr),
                                            &std::free);
    XcbReply<xcb_translate_coordinates_reply_t> origin(
        xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, window, root, 0, 0), nullptr), &std::free);
    if (!size || !origin)
        return std::nullopt;
    return QRect(origin->dst_x, origin->dst_y, size->width, size->height);
}

} // namespace

std::optional<QRect> dockAt(QPoint nativePoint)
{
    xcb_connection_t* c = x11::connection();
    if (!c)
        return std::nullopt;
    const xcb_atom_t type = atom(c, "_NET_WM_WINDOW_TYPE");
    const xcb_atom_t dock = atom(c, "_NET_WM_WINDOW_TYPE_DOCK");
    if (type == XCB_NONE || dock == XCB_NONE)
        return std::nullopt;
    for (auto roots = xcb_setup_roots_iterator(xcb_get_setup(c)); roots.rem; xcb_screen_next(&roots)) {
        const xcb_window_t root = roots.data->root;
        XcbReply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr), &std::free);
        if (!tree)
            continue;
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        const int count = xcb_query_tree_children_length(tree.get());
        // Topmost first: the panel drawn where the user clicked.
        for (int i = count - 1; i >= 0; --i) {
            XcbReply<xcb_get_window_attributes_reply_t> attributes(
                xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, children[i]), nullptr), &std::free);
            if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE)
                continue;
            if (!isDock(c, children[i], type, dock))
                continue;
            if (auto rect = rootGeometry(c, children[i], root); rect && rect->contains(nativePoint))
                return rect;
        }
    }
    return std::nullopt;
}

QRect besidePanel(QRect area, QRect panel)
{
    if (!area.intersects(panel) || panel.contains(area))
        return area;
    if (panel.width() >= panel.height()) {
        // A horizontal panel: along the top or the bottom.
        if (panel.center().y() < area.center().y())
            area.setTop(std::max(area.top(), panel.bottom() + 1));
        else
            area.setBottom(std::min(area.bottom(), panel.top() - 1));
    } else if (panel.center().x() < area.center().x()) {
        area.setLeft(std::max(area.left(), panel.right() + 1));
    } else {
        area.setRight(std::min(area.right(), panel.left() - 1));
    }
    return area;
}

} // namespace tarnwick::traypopoverpanel
