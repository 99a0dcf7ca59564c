#pragma once

// Putting text (a verification code) on the desktop's clipboard. On X11 QClipboard takes the
// selection whenever asked. A Wayland compositor hands the selection only to a client that had
// input a moment ago: a copy asked for from a click in one of the helper's own windows still goes
// through QClipboard, one asked for elsewhere (a notification's button, drawn by the notification
// server) goes through wl-copy, which uses the compositor's clipboard manager protocol instead.
// Main thread only.

#include <string>

namespace tarnwick::desktopclipboard {

enum class Origin {
    ownWindow, ///< a click in a window of the helper's
    elsewhere, ///< the desktop relayed the request (a notification action)
};

/// Copies `text`; failures are logged, never thrown.
void setText(const std::string& text, Origin origin);

/// Runs `program` (wl-copy) with `text` on its standard input, never on its command line where
/// other processes could read it; logs when it cannot run or fails. False when it could not start.
bool copyThroughProgram(const std::string& program, const std::string& text);

} // namespace tarnwick::desktopclipboard
