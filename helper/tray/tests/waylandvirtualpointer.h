#pragma once

// A pointer for a Wayland compositor that has no input devices (a headless sway): created through
// wlr-virtual-pointer, it gives the seat a pointer, so clients receive motion and button presses
// the way they would from a mouse.

#include <memory>
#include <string>

struct wl_display;
struct wl_proxy;

namespace tarnwick::testing {

class WaylandVirtualPointer {
public:
    /// Connects to `socket` (a path, or a name under $XDG_RUNTIME_DIR). Check ok() / failure().
    explicit WaylandVirtualPointer(const std::string& socket);
    ~WaylandVirtualPointer();
    WaylandVirtualPointer(const WaylandVirtualPointer&) = delete;
    WaylandVirtualPointer& operator=(const WaylandVirtualPointer&) = delete;

    bool ok() const { return m_pointer != nullptr; }
    const std::string& failure() const { return m_failure; }

    /// Moves to (x, y) of a layout `width` x `height` pixels and clicks the left button there.
    bool click(int x, int y, int width, int height);
    /// Moves without clicking.
    bool moveTo(int x, int y, int width, int height);

private:
    bool flush();

    wl_display* m_display = nullptr;
    wl_proxy* m_registry = nullptr;
    wl_proxy* m_seat = nullptr;
    wl_proxy* m_manager = nullptr;
    wl_proxy* m_pointer = nullptr;
    unsigned m_time = 1;
    std::string m_failure;
};

} // namespace tarnwick::testing
