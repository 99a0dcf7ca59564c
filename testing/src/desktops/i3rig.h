#pragma once

// i3 with i3bar on the test's own Xvfb: a tiling window manager whose bar has a tray that speaks only
// XEmbed (i3bar owns _NET_SYSTEM_TRAY_S0 and embeds icon windows in its bar). Its session has a
// private bus with no StatusNotifierWatcher, and dunst as the notification server. Screenshots come
// from `import`, clicks and keys from xdotool; a program's tray icon is the window of its pid among
// the windows i3bar embeds. Runs as the current user (i3, unlike sway, runs as root too).

#include <memory>

#include "tarnwick/testing/desktoprig.h"

namespace tarnwick::testing {

class I3Rig final : public DesktopRig {
public:
    /// `barColour` is i3bar's background ("#000000", i3's default, unless set).
    explicit I3Rig(std::string barColour = "#000000");
    ~I3Rig() override;

    /// Whether i3, i3bar, Xvfb, dunst, xdotool, xwininfo, xprop and import are all installed.
    static bool installed();

    std::string name() const override { return "i3"; }
    bool start() override;
    bool waitForTrayAndNotifications(std::chrono::milliseconds timeout) override;
    void stop() override;

    std::vector<std::string> sessionCommand() const override;
    std::map<std::string, std::string> sessionEnvironment() const override;

    QImage screenshot() override;
    std::optional<QRect> trayItemGeometry(int pid) override;
    std::vector<DesktopWindow> windows() override;

    void click(QPoint point, int button = 1) override;
    void key(const std::string& key) override;

    /// Through dunst's context menu (its dmenu is a script of the rig's that picks the action).
    bool pressBannerAction(const std::string& actionKey) override;
    /// dunst's pause (`dunstctl set-paused`), the way i3 users switch it.
    bool setDoNotDisturb(bool on) override;
    std::vector<std::string> visibleBanners() override;

    /// The bar's height in pixels (i3bar's, from its window).
    int barHeight();
    /// Ends i3bar and with it its tray (i3 starts a new one only on restart); for tests of a tray
    /// that goes away. Restarting i3 in place brings the bar back.
    bool stopBar();
    bool restartI3();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace tarnwick::testing
