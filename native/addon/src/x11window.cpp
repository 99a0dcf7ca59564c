#include "x11window.h"

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace tarnwick::addon {

namespace {

template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

template <typename Reply>
ReplyPtr<Reply> owned(Reply* reply)
{
    return ReplyPtr<Reply>(reply, &std::free);
}

} // namespace

X11Connection::X11Connection(const std::string& displayName)
{
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(displayName.empty() ? nullptr : displayName.c_str(), &screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
        xcb_screen_next(&screens);
    if (screens.rem == 0) {
        xcb_disconnect(connection);
        return;
    }
    root_ = screens.data->root;
    connection_ = connection;
}

X11Connection::~X11Connection()
{
    if (connection_)
        xcb_disconnect(connection_);
}

X11Lookup findX11Window(std::uint64_t handle)
{
    X11Lookup lookup;
    const char* display = std::getenv("DISPLAY");
    lookup.displayName = display ? display : "";
    if (lookup.displayName.empty())
        return lookup;
    X11Connection connection(lookup.displayName);
    if (!connection.isOpen())
        return lookup;
    lookup.result = X11Lookup::Result::NoSuchWindow;
    if (handle == 0 || handle > UINT32_MAX)
        return lookup;
    if (windowGeometry(connection.get(), static_cast<std::uint32_t>(handle)))
        lookup.result = X11Lookup::Result::Found;
    return lookup;
}

std::optional<X11Geometry> windowGeometry(xcb_connection_t* connection, std::uint32_t window)
{
    auto reply = owned(xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr));
    if (!reply)
        return std::nullopt;
    return X11Geometry{reply->x, reply->y, reply->width, reply->height};
}

std::string windowName(xcb_connection_t* connection, std::uint32_t window)
{
    char id[32];
    std::snprintf(id, sizeof id, "0x%x", window);
    std::string name = std::string("X11 window ") + id;
    auto reply = owned(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 256), nullptr));
    if (reply && reply->format == 8) {
        // WM_CLASS is "instance\0class\0": the class names the application.
        const char* data = static_cast<const char*>(xcb_get_property_value(reply.get()));
        const std::string value(data, static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
        const std::size_t split = value.find('\0');
        std::string cls = split == std::string::npos ? value : value.substr(split + 1);
        if (!cls.empty() && cls.back() == '\0')
            cls.pop_back();
        if (!cls.empty())
            name += " (" + cls + ")";
    }
    return name;
}

std::string geometryText(const X11Geometry& geometry)
{
    char text[64];
    std::snprintf(text, sizeof text, "%dx%d+%d+%d", geometry.width, geometry.height, geometry.x, geometry.y);
    return text;
}

std::optional<std::pair<int, int>> toRoot(xcb_connection_t* connection, std::uint32_t root, std::uint32_t window,
                                          int x, int y)
{
    auto reply = owned(xcb_translate_coordinates_reply(
        connection, xcb_translate_coordinates(connection, window, root, static_cast<std::int16_t>(x),
                                              static_cast<std::int16_t>(y)),
        nullptr));
    if (!reply)
        return std::nullopt;
    return std::pair<int, int>{reply->dst_x, reply->dst_y};
}

std::optional<std::pair<int, int>> x11MenuAnchor(const std::string& displayName, std::uint32_t window)
{
    X11Connection connection(displayName);
    if (!connection.isOpen())
        return std::nullopt;
    xcb_connection_t* c = connection.get();
    const auto geometry = windowGeometry(c, window);
    if (!geometry)
        return std::nullopt;
    auto pointer = owned(xcb_query_pointer_reply(c, xcb_query_pointer(c, window), nullptr));
    if (pointer && pointer->same_screen && pointer->win_x >= 0 && pointer->win_y >= 0
        && pointer->win_x < geometry->width && pointer->win_y < geometry->height)
        return std::pair<int, int>{pointer->root_x, pointer->root_y};
    return toRoot(c, connection.root(), window, geometry->width - 150, 10);
}

} // namespace tarnwick::addon
