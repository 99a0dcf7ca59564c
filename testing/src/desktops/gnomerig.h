#pragma once

// GNOME Shell 43, headless: Wayland on a virtual monitor, or X11 on an Xvfb of its own, with or
// without the AppIndicator extension (Debian's ubuntu-appindicators@ubuntu.com, the tray most GNOME
// users have). The shell runs in a dbus-run-session of its own with a second bus standing in for the
// system bus, as an unprivileged user the rig creates when the tests run as root (as root GNOME
// greets the user with a warning banner), with a private home and runtime directory. The rig reads
// and drives the shell from inside through org.gnome.Shell.Eval (the shell runs with --unsafe-mode):
// the top bar's indicators, the window list, the banners, and a Clutter virtual pointer and keyboard
// for real input on Wayland (xdotool on X11).
//
// Needs a QCoreApplication (calls go over QtDBus, waits run the event loop).

#include <QJsonValue>
#include <QSize>
#include <filesystem>
#include <memory>

#include "tarnwick/testing/desktoprig.h"

namespace tarnwick::testing {

class Subprocess;
class TempDir;

class GnomeRig : public DesktopRig {
public:
    struct Options {
        bool wayland = true;      ///< false: X11 (gnome-shell --x11 on an Xvfb)
        bool appIndicator = true; ///< the AppIndicator extension switched on at start
        QSize screen{1280, 800};
        /// Prepended to XDG_DATA_DIRS for the shell and the session's programs (an installed
        /// prefix's share directory, so the shell finds its desktop entries and icons).
        std::vector<std::filesystem::path> dataDirs;
    };

    /// The item of one program in the top bar, as the extension shows it.
    struct TrayItem {
        QRect button; ///< the whole indicator in the top bar
        QRect icon;   ///< its icon (empty while none is loaded)
        QRect label;  ///< its label (empty without one)
        std::string labelText;
        std::string busName; ///< the item's unique bus name
    };

    /// A notification the shell holds (banner shown now, queued, or in the message list).
    struct Notification {
        unsigned id = 0; ///< the id Notify returned
        std::string appName, summary, body;
        bool critical = false;
        double postedAt = 0; ///< when it was posted (or last replaced), seconds since 1970
    };

    explicit GnomeRig(Options options);
    GnomeRig();
    ~GnomeRig() override;

    /// Empty when everything the rig needs is installed; else what is missing (a reason to skip).
    static std::string missingPrograms(const Options& options);

    std::string name() const override;
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

    bool pressBannerAction(const std::string& actionKey) override;
    bool setDoNotDisturb(bool on) override;
    std::vector<std::string> visibleBanners() override;

    // ---- GNOME's own ----

    /// Runs JavaScript in the shell; the value of its last expression (as the shell's JSON), or
    /// nothing when it threw or the call failed (failure() says why). Statements are separated by
    /// ';' (the argument is read as GVariant text, where a line break is an escape).
    std::optional<QJsonValue> eval(const std::string& script);
    /// The item of the program with this pid, once it shows something (an icon or a label).
    std::optional<TrayItem> trayItem(int pid);
    /// Every notification the shell's server holds and has not closed, oldest first.
    std::vector<Notification> notifications();
    /// Switches the AppIndicator extension on or off in the running shell; on: until its tray is up.
    bool setAppIndicator(bool on);

    /// A directory the session's user owns, for files its programs read or write.
    std::filesystem::path sessionDirectory() const;
    /// Gives a file or a whole directory tree to the session's user (when the rig runs as root).
    void giveToSessionUser(const std::filesystem::path& path) const;
    /// The shell's standard output and error so far (for failure messages).
    std::string shellLog() const;

private:
    struct Private;
    bool call(const std::string& service, const std::string& path, const std::string& interface,
              const std::string& method, const QVariantList& args, QVariantList* reply = nullptr,
              int timeoutMs = 25000);
    bool runInSession(const std::vector<std::string>& command, std::string* output = nullptr);
    bool hasName(const std::string& name);

    Options m_options;
    std::unique_ptr<Private> d;
};

} // namespace tarnwick::testing
