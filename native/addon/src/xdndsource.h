#pragma once

// Dropping files onto a foreign X11 window (the main application's Chromium window) by playing
// the source side of XDND, version 5: enter with text/uri-list and a first position, a second
// position (the drag update) 50 ms later, the drop 50 ms after that, while serving the
// XdndSelection with the files' file:// URIs and waiting for the target's XdndStatus and
// XdndFinished replies. Plain xcb on a thread of the addon's own; no Qt event loop involved.

#include <cstdint>
#include <string>
#include <vector>

struct xcb_connection_t;

namespace tarnwick::addon {

class XdndSource {
public:
    /// Delay between the enter, the drag update and the drop.
    static constexpr int kStepDelayMs = 50;
    /// The highest protocol version spoken.
    static constexpr std::uint32_t kVersion = 5;

    /// The text/uri-list the selection serves: one URI per line, each ended by CR LF.
    static std::string uriList(const std::vector<std::string>& uris);

    /// Plays one whole drop of `uris` onto the XDND-aware window in `window`'s tree and returns
    /// once it is over (finished, refused, or given up after a reply did not come). Logs each step.
    /// Any thread; `connection` is used by this call only while it runs.
    static void drop(xcb_connection_t* connection, std::uint32_t root, std::uint32_t window,
                     const std::vector<std::string>& uris);

    /// Queues a drop of `uris` onto X11 window `window` on `displayName` and returns at once. Drops
    /// run one after another on one thread (a display has one XdndSelection), each in full.
    static void start(std::string displayName, std::uint32_t window, std::vector<std::string> uris);
};

} // namespace tarnwick::addon
