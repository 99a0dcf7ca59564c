#pragma once

// Watches an X display from a connection of its own for the next top-level window to appear on the
// screen: mapped, then painted (a probe pixel inside it is neither the black root nor an unpainted
// white). What a user sees, without asking the program that opens the window.

#include <chrono>
#include <optional>
#include <string>

struct xcb_connection_t;

namespace tarnwick::bench {

class XMapWatch {
public:
    explicit XMapWatch(const std::string& display);
    ~XMapWatch();
    XMapWatch(const XMapWatch&) = delete;
    XMapWatch& operator=(const XMapWatch&) = delete;

    bool isConnected() const { return m_connection != nullptr; }

    struct Shown {
        double mappedMs = 0;  ///< from `since` until the window was mapped
        double paintedMs = 0; ///< from `since` until its probe pixel showed paint
        int width = 0;
        int height = 0;
    };
    /// Waits for the next top-level window to be mapped and painted.
    std::optional<Shown> awaitShown(std::chrono::steady_clock::time_point since, std::chrono::milliseconds timeout);
    /// Waits for a top-level window to be unmapped.
    bool awaitHidden(std::chrono::milliseconds timeout);

private:
    xcb_connection_t* m_connection = nullptr;
    unsigned m_root = 0;
};

} // namespace tarnwick::bench
