#pragma once

// KDE Plasma 5.27 on Wayland, headless: KWin on a virtual output with XWayland (so the session has
// an X display too), and plasmashell with its default panel, tray (kded5's watcher) and notification
// server. The session runs in a dbus-run-session of its own with a second bus standing in for the
// system bus, as an unprivileged user the rig creates when the tests run as root, with a private
// home and runtime directory.
//
// What the rig reads and does goes through the desktop's own interfaces: screenshots through
// org.kde.KWin.ScreenShot2, real input through KWin's org_kde_kwin_fake_input protocol (a small
// program of ours, tarnwick-kwin-fake-input, that KWin trusts through its desktop entry), the window
// list through a KWin script, banners through Plasma's notification watcher and
// org.kde.NotificationManager.InvokeAction, Do Not Disturb through Inhibit held on the rig's own
// connection.
//
// Needs a QCoreApplication (calls go over QtDBus, waits run the event loop).

#include <QSize>
#include <filesystem>
#include <memory>

#include "tarnwick/testing/desktoprig.h"

namespace tarnwick::testing {

class PlasmaRig : public DesktopRig {
public:
    struct Options {
        QSize screen{1280, 800};
        /// Prepended to XDG_DATA_DIRS for the session's programs (an installed prefix's share
        /// directory, so Plasma finds its desktop entries and icons).
        std::vector<std::filesystem::path> dataDirs;
    };

    /// A notification Plasma's server holds (shown now, or kept in its history).
    struct Notification {
        unsigned id = 0;
        std::string appName, summary, body;
        std::vector<std::string> actions; ///< keys and labels, as Notify got them
        bool critical = false;
    };

    explicit PlasmaRig(Options options);
    PlasmaRig();
    ~PlasmaRig() override;

    /// Empty when everything the rig needs is installed; else what is missing (a reason to skip).
    static std::string missingPrograms();

    std::string name() const override;
    bool start() override;
    bool waitForTrayAndNotifications(std::chrono::milliseconds timeout) override;
    void stop() override;

    std::vector<std::string> sessionCommand() const override;
    std::map<std::string, std::string> sessionEnvironment() const override;

    QImage screenshot() override;
    /// The item's pixels in the panel: what changed in the tray since the desktop came up (compared
    /// icon by icon, so neighbours shifting over do not count), once kded5's watcher lists an item
    /// of that process.
    std::optional<QRect> trayItemGeometry(int pid) override;
    /// KWin's windows, and the override-redirect windows of XWayland clients (menus and popups that
    /// KWin does not manage; never in the task bar).
    std::vector<DesktopWindow> windows() override;

    void click(QPoint point, int button = 1) override;
    void key(const std::string& key) override;

    bool pressBannerAction(const std::string& actionKey) override;
    bool setDoNotDisturb(bool on) override;
    /// Summaries of the notifications Plasma's server still holds (not closed, expired or dismissed).
    std::vector<std::string> visibleBanners() override;

    // ---- Plasma's own ----

    /// Pop-up menus on screen (Plasma's own menus for tray items among them), tooltips left out.
    std::vector<DesktopWindow> popupMenus();
    /// Banners on screen: Plasma's notification pop-ups.
    std::vector<QRect> bannerWindows();
    /// The panel (a dock window of plasmashell) as KWin places it.
    std::optional<QRect> panelGeometry();
    /// Every notification the server announced since the rig started, oldest first, with whether it
    /// is still open.
    std::vector<std::pair<Notification, bool>> notifications();
    /// Moves the pointer without clicking.
    void moveTo(QPoint point);
    /// The services kded5's watcher lists (RegisteredStatusNotifierItems).
    std::vector<std::string> registeredItems();
    /// The pid of a bus name's owner; 0 when it has none.
    int ownerPid(const std::string& busName);

    /// A directory the session's user owns, for what the tests hand to the session's programs.
    std::filesystem::path sessionDirectory() const;
    /// Gives a file or directory (recursively) to the session's user.
    void giveToSessionUser(const std::filesystem::path& path) const;
    /// KWin's and plasmashell's output so far, for failure messages.
    std::string log() const;

private:
    struct Private;
    bool call(const std::string& service, const std::string& path, const std::string& interface,
              const std::string& method, const QVariantList& args, QVariantList* reply = nullptr, int timeoutMs = 10000);
    bool hasName(const std::string& name);
    bool input(const std::string& command);
    std::optional<std::string> runKWinScript(const std::string& body);

    Options m_options;
    std::unique_ptr<Private> d;
};

} // namespace tarnwick::testing
