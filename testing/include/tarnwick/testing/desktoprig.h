#pragma once

// A real desktop started headless for a test, with its own buses, home, runtime directory and
// screen: GNOME Shell, KDE Plasma, an XEmbed tray under i3, and so on. Every real-host test program
// drives its desktop through this one small interface, so the tests read the same whichever desktop
// they run in. One module per desktop implements it (testing/src/desktops/); a test program starts
// its desktop once (a GoogleTest environment) and shares it between its cases.

#include <QImage>
#include <QPoint>
#include <QRect>
#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick::testing {

/// A top-level window as the desktop's window manager sees it.
struct DesktopWindow {
    std::string title;
    int pid = 0;
    QRect geometry;
    bool inTaskbar = false; ///< listed in the task bar, dock or top bar
};

class DesktopRig {
public:
    virtual ~DesktopRig() = default;

    /// A short name for logs and screenshots ("gnome-wayland", "plasma-wayland", "i3").
    virtual std::string name() const = 0;

    /// Starts the desktop. False, with the reason in failure(), when it cannot.
    virtual bool start() = 0;
    /// Waits until the desktop's tray (watcher or XEmbed selection, if it has one) and its own
    /// notification server are up.
    virtual bool waitForTrayAndNotifications(std::chrono::milliseconds timeout) = 0;
    /// Stops everything the rig started. Also done by the destructor.
    virtual void stop() = 0;

    /// The command prefix and the whole environment for a program that runs inside the desktop's
    /// session, as its user (e.g. {"/usr/bin/setpriv", "--reuid=…", …, "env", "-i", "K=V", …}).
    /// Append the program and its arguments.
    virtual std::vector<std::string> sessionCommand() const = 0;
    /// The session's environment on its own (bus, display, runtime directory, home, desktop name).
    virtual std::map<std::string, std::string> sessionEnvironment() const = 0;

    /// The whole screen now, in physical pixels.
    virtual QImage screenshot() = 0;
    /// Where the item of the program with this pid shows in the desktop's tray, found the
    /// desktop's own way; nothing while it is not there.
    virtual std::optional<QRect> trayItemGeometry(int pid) = 0;
    /// The desktop's top-level windows.
    virtual std::vector<DesktopWindow> windows() = 0;

    /// A real click (button 1 left, 3 right) at a point on the screen, through the desktop's input.
    virtual void click(QPoint point, int button = 1) = 0;
    /// A real key press and release; `key` is an X keysym name ("Escape", "Return").
    virtual void key(const std::string& key) = 0;

    /// Presses the action with this key on the newest banner the desktop's server shows, the way a
    /// user would (or through the server's own call where it has one). False when there is none.
    virtual bool pressBannerAction(const std::string& actionKey) = 0;
    /// Switches Do Not Disturb the desktop's own way.
    virtual bool setDoNotDisturb(bool on) = 0;
    /// The banners the desktop's server shows now (their summaries).
    virtual std::vector<std::string> visibleBanners() = 0;

    const std::string& failure() const { return m_failure; }

protected:
    std::string m_failure;
};

} // namespace tarnwick::testing
