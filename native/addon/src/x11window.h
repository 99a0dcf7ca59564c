#pragma once

// Foreign X11 windows named by a window handle: the main application's Chromium window reports its
// native handle as an X11 window id. Plain xcb, no Qt, so it works whether or not the process has a
// Qt UI thread.

#include <cstdint>
#include <optional>
#include <string>

struct xcb_connection_t;

namespace tarnwick::addon {

/// One connection to an X server, closed on destruction. Thread-safe as xcb is.
class X11Connection {
public:
    /// Connects to `displayName` (the DISPLAY form; empty means DISPLAY of the environment).
    explicit X11Connection(const std::string& displayName);
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    bool isOpen() const { return connection_ != nullptr; }
    xcb_connection_t* get() const { return connection_; }
    std::uint32_t root() const { return root_; }

private:
    xcb_connection_t* connection_ = nullptr;
    std::uint32_t root_ = 0;
};

struct X11Geometry {
    int x = 0; ///< relative to the parent
    int y = 0;
    int width = 0;
    int height = 0;
};

/// Where a handle may name an X11 window: the display of the environment, or why there is none.
struct X11Lookup {
    enum class Result { Found, NoDisplay, NoSuchWindow } result = Result::NoDisplay;
    std::string displayName; ///< the display asked, as DISPLAY names it
};

/// Whether `handle` is the id of an existing window on the display of the environment. Ids wider
/// than 32 bits (or zero) are never X11 windows. Any thread; one short round trip.
X11Lookup findX11Window(std::uint64_t handle);

/// The window's geometry, or nothing when it no longer exists.
std::optional<X11Geometry> windowGeometry(xcb_connection_t* connection, std::uint32_t window);

/// A window's name for log lines: "X11 window 0x<id>", followed by its WM_CLASS class in
/// parentheses when it has one.
std::string windowName(xcb_connection_t* connection, std::uint32_t window);

/// The geometry in X's own text form, "<width>x<height>+<x>+<y>".
std::string geometryText(const X11Geometry& geometry);

/// The root coordinates of a point given in `window`'s coordinates.
std::optional<std::pair<int, int>> toRoot(xcb_connection_t* connection, std::uint32_t root,
                                          std::uint32_t window, int x, int y);

/// Where a menu for `window` opens, in root coordinates: the pointer when it is over the window,
/// else 150 from the window's right edge and 10 from its top. Nothing when the display or the
/// window is gone. Any thread; a few round trips.
std::optional<std::pair<int, int>> x11MenuAnchor(const std::string& displayName, std::uint32_t window);

} // namespace tarnwick::addon
