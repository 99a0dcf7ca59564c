// Which platform the helper asks Qt for, and which sockets it waits on before that.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <cstring>
#include <filesystem>

#include "tarnwick/helper/displaysession.h"

using namespace tarnwick;
using displaysession::Environment;

TEST(DisplaySession, PlatformsFollowTheSessionAndAlwaysEndOffscreen)
{
    struct Row {
        const char* name;
        Environment env;
        const char* platforms;
    } rows[] = {
        {"no display", {}, "offscreen"},
        {"X11 only", {"", "", ":0", "", "XFCE"}, "xcb;offscreen"},
        {"sway keeps Wayland first", {"", "wayland-1", ":0", "/run", "sway"}, "wayland;xcb;offscreen"},
        {"Wayland elsewhere keeps X11 behind it", {"", "wayland-0", "", "/run", "GNOME"}, "wayland;xcb;offscreen"},
        {"GNOME on Wayland with XWayland", {"", "wayland-0", ":0", "/run", "ubuntu:GNOME"}, "xcb;wayland;offscreen"},
        {"Plasma on Wayland with XWayland", {"", "wayland-0", ":1", "/run", "KDE"}, "xcb;wayland;offscreen"},
        {"the user's choice stands", {"wayland", "wayland-0", ":0", "/run", "GNOME"}, "wayland;offscreen"},
        {"an explicit offscreen is not doubled", {"offscreen", "", ":0", "", ""}, "offscreen"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(displaysession::platforms(row.env), row.platforms) << row.name;
}

TEST(DisplaySession, SocketsAreThoseOfTheChosenPlatformsOnly)
{
    using Paths = std::vector<std::string>;
    EXPECT_EQ(displaysession::socketPaths({"", "wayland-0", ":3.0", "/run/u", "KDE"}),
              (Paths{"/tmp/.X11-unix/X3", "/run/u/wayland-0"}));
    EXPECT_EQ(displaysession::socketPaths({"", "/abs/wl", "", "", ""}), (Paths{"/abs/wl"}));
    EXPECT_EQ(displaysession::socketPaths({"", "", "unix:7", "", ""}), (Paths{"/tmp/.X11-unix/X7"}));
    // Remote or malformed displays, and a Wayland name without a runtime directory, give nothing to wait on.
    EXPECT_TRUE(displaysession::socketPaths({"", "", "host.example:0", "", ""}).empty());
    EXPECT_TRUE(displaysession::socketPaths({"", "", ":x", "", ""}).empty());
    EXPECT_TRUE(displaysession::socketPaths({"", "wayland-0", "", "", ""}).empty());
    EXPECT_TRUE(displaysession::socketPaths({"offscreen", "wayland-0", ":0", "/run", ""}).empty());
}

TEST(DisplaySession, AWaylandSocketIsWaitedForUntilItListens)
{
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("tarnwick-display-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const Environment env{"", "wayland-test", "", dir.string(), ""};
    const std::string path = (dir / "wayland-test").string();

    EXPECT_FALSE(displaysession::listening(path));
    EXPECT_FALSE(displaysession::waitForDisplay(env, std::chrono::milliseconds(300)));

    const int server = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(server, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.data(), path.size());
    ASSERT_EQ(::bind(server, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    // Bound but not listening yet: still not a display.
    EXPECT_FALSE(displaysession::listening(path));
    ASSERT_EQ(::listen(server, 4), 0);
    EXPECT_TRUE(displaysession::listening(path));
    EXPECT_TRUE(displaysession::waitForDisplay(env, std::chrono::milliseconds(300)));

    ::close(server);
    std::filesystem::remove_all(dir);
}
