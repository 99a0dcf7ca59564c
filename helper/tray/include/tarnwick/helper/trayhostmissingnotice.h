#pragma once

// Tells the user, with a desktop notification, that nothing on this desktop shows tray items and how
// to get a tray; everything else goes on working without the item.
//
// Trays start late at log-in (a panel may come up seconds after the helper), so the notice waits for
// a grace period with no tray at all before it is posted. A notice that finds no notification server
// is posted as soon as a server takes its bus name. A tray that appears cancels the countdown, or
// withdraws the notice if it was posted; should the tray go away again, a new grace period starts and
// the notice may come once more (a panel or shell restart is over long before the period).
//
// Main thread only.

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

class NotificationCenter;

class TrayHostMissingNotice {
public:
    static constexpr const char* kIdentifier = "tarnwick-tray-host-missing";
    static constexpr const char* kTitle = "Tarnwick has no tray icon on this desktop";
    /// How long the desktop must be without any tray before the user is told.
    static constexpr std::chrono::seconds gracePeriod{30};

    /// A GNOME Shell extension installed on disk.
    struct ShellExtension {
        std::string uuid;
        std::string name;  ///< as the Extensions app lists it

        bool operator==(const ShellExtension&) const = default;
    };

    /// Side effects, replaceable in tests. Empty members take the program's: a QTimer, a watch of
    /// org.freedesktop.Notifications on the session bus, the GNOME Shell extension directories.
    struct Seams {
        /// Calls `expired` once after `delay`, unless the returned handle is dropped first.
        std::function<std::shared_ptr<void>(std::chrono::milliseconds delay, std::function<void()> expired)> startTimer;
        /// Calls `appeared` each time a program takes the notification server's bus name, for as long
        /// as the returned handle is kept.
        std::function<std::shared_ptr<void>(std::function<void()> appeared)> watchNotificationServer;
        /// The AppIndicator extension installed for GNOME Shell, if any (looked up when posting).
        std::function<std::optional<ShellExtension>()> findAppIndicatorExtension;
    };

    /// `desktop` is XDG_CURRENT_DESKTOP, `sessionType` XDG_SESSION_TYPE. `center` must outlive this.
    TrayHostMissingNotice(NotificationCenter& center, std::string desktop, std::string sessionType, Seams seams = {});
    /// For the desktop of this process's environment (XDG_CURRENT_DESKTOP, XDG_SESSION_TYPE).
    explicit TrayHostMissingNotice(NotificationCenter& center);
    ~TrayHostMissingNotice();
    TrayHostMissingNotice(const TrayHostMissingNotice&) = delete;
    TrayHostMissingNotice& operator=(const TrayHostMissingNotice&) = delete;

    /// No tray of any kind now (neither a StatusNotifierWatcher nor an XEmbed tray): starts the grace
    /// countdown unless it runs, or the notice is out or on its way.
    void trayAbsent();
    /// A tray is there: cancels the countdown, withdraws the notice if it was posted.
    void trayPresent();

    bool isCountingDown() const;
    /// Posted (or being posted, or waiting for a notification server) and not withdrawn.
    bool isPosted() const;

    /// The notice's text for a desktop and session type; `installed` is the AppIndicator extension on
    /// disk, which only GNOME's text names.
    static std::string body(std::string_view desktop, std::string_view sessionType,
                            const std::optional<ShellExtension>& installed);
    /// Whether XDG_CURRENT_DESKTOP names GNOME Shell (GNOME, ubuntu:GNOME, GNOME-Classic:GNOME, …).
    static bool isGnomeShell(std::string_view desktop);
    /// The AppIndicator extension in the first of `directories` (each a gnome-shell/extensions
    /// folder) that holds one.
    static std::optional<ShellExtension> findAppIndicatorExtension(const std::vector<std::filesystem::path>& directories);
    /// The GNOME Shell extension folders of this user and system, in the order the shell reads them.
    static std::vector<std::filesystem::path> shellExtensionDirectories();

private:
    enum class State { Idle, CountingDown, Posting, WaitingForServer, Posted };

    void post();
    void posted(std::optional<std::string> error);

    NotificationCenter& m_center;
    std::string m_desktop;
    std::string m_sessionType;
    Seams m_seams;
    State m_state = State::Idle;
    std::shared_ptr<void> m_timer;
    std::shared_ptr<void> m_serverWatch;
    bool m_serverAppearedMeanwhile = false;
    // Completions of an earlier post (withdrawn since) hold a stale generation and are ignored.
    unsigned m_generation = 0;
    std::shared_ptr<TrayHostMissingNotice*> m_alive;
};

} // namespace tarnwick
