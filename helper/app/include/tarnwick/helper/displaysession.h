#pragma once

// Which display the helper draws on, decided before Qt starts. A helper started early in a log-in
// may find DISPLAY or WAYLAND_DISPLAY set before the server listens: it waits for it a bounded time
// rather than settling on the offscreen platform for its whole life.

#include <chrono>
#include <string>
#include <vector>

namespace tarnwick::displaysession {

struct Environment {
    std::string qtPlatform;       ///< QT_QPA_PLATFORM as given
    std::string waylandDisplay;   ///< WAYLAND_DISPLAY
    std::string x11Display;       ///< DISPLAY
    std::string runtimeDir;       ///< XDG_RUNTIME_DIR
    std::string currentDesktop;   ///< XDG_CURRENT_DESKTOP
};

/// The QT_QPA_PLATFORM list to use: the given one, or the session's displays in order of preference,
/// always ending in "offscreen" so the protocol works without a screen. On GNOME and KDE Wayland
/// sessions with XWayland, X11 comes first: only there can the popover be placed under the tray
/// item (those compositors place a Wayland window where they like) and be a true popup.
std::string platforms(const Environment& env);

/// The local sockets behind the session's displays (the Wayland socket, the X server's socket);
/// a display reached over the network has none.
std::vector<std::string> socketPaths(const Environment& env);

/// Whether something accepts connections on this Unix socket path now (never blocks on a peer).
bool listening(const std::string& socketPath);

/// Waits until one of the display sockets listens, at most `limit`; true at once when there is
/// none to wait for. Logs the wait and its outcome.
bool waitForDisplay(const Environment& env, std::chrono::milliseconds limit);

/// The environment of this process.
Environment current();

} // namespace tarnwick::displaysession
