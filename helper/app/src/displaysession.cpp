#include "tarnwick/helper/displaysession.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

#include "tarnwick/rpc/helperlog.h"

namespace tarnwick::displaysession {

namespace {

constexpr std::string_view kCategory = "Lifecycle";

std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::string part;
    for (char c : text) {
        if (c == separator) {
            parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    parts.push_back(part);
    return parts;
}

bool prefersXWayland(const std::string& currentDesktop)
{
    for (std::string name : split(currentDesktop, ':')) {
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::toupper(c); });
        if (name == "GNOME" || name == "KDE")
            return true;
    }
    return false;
}

// ":0", ":0.1" and "unix:0" name the local server 0; "host:0" is reached over the network.
std::string x11SocketPath(const std::string& display)
{
    const auto colon = display.rfind(':');
    if (colon == std::string::npos)
        return {};
    const std::string host = display.substr(0, colon);
    if (!host.empty() && host != "unix")
        return {};
    std::string number = display.substr(colon + 1);
    number = number.substr(0, number.find('.'));
    if (number.empty() || !std::all_of(number.begin(), number.end(), [](unsigned char c) { return std::isdigit(c); }))
        return {};
    return "/tmp/.X11-unix/X" + number;
}

std::string getenvOrEmpty(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

} // namespace

std::string platforms(const Environment& env)
{
    std::string list = env.qtPlatform;
    if (list.empty()) {
        const bool wayland = !env.waylandDisplay.empty();
        const bool x11 = !env.x11Display.empty();
        if (wayland && x11 && prefersXWayland(env.currentDesktop))
            list = "xcb;wayland";
        else if (wayland)
            list = "wayland;xcb";
        else if (x11)
            list = "xcb";
    }
    const auto names = split(list, ';');
    if (std::find(names.begin(), names.end(), "offscreen") == names.end())
        list += list.empty() ? "offscreen" : ";offscreen";
    return list;
}

std::vector<std::string> socketPaths(const Environment& env)
{
    std::vector<std::string> paths;
    const std::string list = platforms(env);
    for (const std::string& platform : split(list, ';')) {
        if (platform == "wayland" && !env.waylandDisplay.empty()) {
            if (env.waylandDisplay.front() == '/')
                paths.push_back(env.waylandDisplay);
            else if (!env.runtimeDir.empty())
                paths.push_back(env.runtimeDir + "/" + env.waylandDisplay);
        } else if (platform == "xcb" && !env.x11Display.empty()) {
            if (std::string path = x11SocketPath(env.x11Display); !path.empty())
                paths.push_back(std::move(path));
        }
    }
    return paths;
}

bool listening(const std::string& socketPath)
{
    sockaddr_un address{};
    if (socketPath.size() >= sizeof(address.sun_path))
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, socketPath.data(), socketPath.size());
    // A local connect() is answered by the kernel from the listener's backlog: it does not wait
    // for the server to accept.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    ::close(fd);
    return ok;
}

bool waitForDisplay(const Environment& env, std::chrono::milliseconds limit)
{
    const std::vector<std::string> paths = socketPaths(env);
    if (paths.empty())
        return true;
    auto anyListening = [&paths] { return std::any_of(paths.begin(), paths.end(), listening); };
    if (anyListening())
        return true;
    HelperLog::info(kCategory, "Waiting for the display to accept connections");
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        // Only at start-up, for a bounded time: nothing else is running yet that could be delayed.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (anyListening()) {
            HelperLog::info(kCategory, "The display is up");
            return true;
        }
    }
    HelperLog::warn(kCategory, "No display accepted connections in time");
    return false;
}

Environment current()
{
    return {getenvOrEmpty("QT_QPA_PLATFORM"), getenvOrEmpty("WAYLAND_DISPLAY"), getenvOrEmpty("DISPLAY"),
            getenvOrEmpty("XDG_RUNTIME_DIR"), getenvOrEmpty("XDG_CURRENT_DESKTOP")};
}

} // namespace tarnwick::displaysession
