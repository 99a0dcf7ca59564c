#pragma once

// The helper's single holder of the Focus filter state: which accounts stay active during the
// current Focus and whether the others are blocked or only silenced. It loads the state the Focus
// filter tool leaves in focus-filter.json, reloads it when the tool announces a change on the session
// bus, and reports every application to the main application. While the desktop's Do Not Disturb is
// on it applies the filter the user saved for that case (focus-filter-dnd.json; none: no change) and
// restores the file's state when Do Not Disturb ends. Main thread only.

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "tarnwick/rpc/mainqueue.h"
#include "tarnwick/rpc/stdiotransport.h"

namespace tarnwick {

class DoNotDisturbWatcher;
class FocusFilterChangeObserver;
class SettingsModel;
class SystemPaths;
class TrayModel;

class FocusFilterController {
public:
    /// Makes the observer of the change announcement (the session bus in the program).
    using ObserverFactory = std::function<std::unique_ptr<FocusFilterChangeObserver>()>;

    struct Ports {
        MainQueue& mainQueue;
        /// Where focus-filter.json is looked for; nullptr: SystemPaths::current() at each load.
        const SystemPaths* paths = nullptr;
        /// Empty: observe the session bus.
        ObserverFactory makeObserver;
        /// Makes the Do Not Disturb watcher followed from setup() on (owned by the controller); empty:
        /// Do Not Disturb is not followed. The shared instance follows the desktop's.
        std::function<DoNotDisturbWatcher*()> makeDoNotDisturbWatcher = {};
    };

    FocusFilterController(SettingsModel& settings, TrayModel& tray, Ports ports);
    ~FocusFilterController();
    FocusFilterController(const FocusFilterController&) = delete;
    FocusFilterController& operator=(const FocusFilterController&) = delete;

    /// The process-wide instance, never destroyed.
    static FocusFilterController& shared();

    /// Keeps the transport, starts observing change announcements (once, for the life of this
    /// controller) and loads the persisted state.
    void setup(std::shared_ptr<StdioTransport> transport);
    /// Re-reads focus-filter.json and applies it; a missing file clears the filter.
    void loadPersistedFocusFilter();
    /// The same after a change announcement: logs and reports only when the state changes.
    void reloadAnnounced();
    /// Sets the state, logs it, updates the settings status line and sends "focusFilter.changed"
    /// (also when nothing changed) once a transport is held.
    void applyFilter(std::vector<std::string> activeAccountIds, bool disableExcludedAccounts);
    /// Drops active ids that are not in `valid`; an empty set means "accounts not known yet".
    void prune(const std::set<std::string>& valid);
    /// True exactly when a filter is active and does not list the account.
    bool isAccountMuted(std::string_view accountId) const;

    const std::vector<std::string>& activeAccountIds() const { return m_activeAccountIds; }
    bool disableExcludedAccounts() const { return m_disableExcludedAccounts; }
    bool isFilterActive() const { return m_isFilterActive; }
    /// Whether change announcements reach this controller.
    bool isObserving() const;

    /// The desktop's Do Not Disturb came on or went off: applies the saved Do Not Disturb filter, or
    /// the state it replaced. Repeating the current state does nothing.
    void setDoNotDisturb(bool active);
    bool doNotDisturb() const { return m_doNotDisturb; }
    /// Whether the saved Do Not Disturb filter is what is applied now.
    bool doNotDisturbFilterApplied() const { return m_dndApplied; }
    /// Whether a banner of this account should get through Do Not Disturb: the Do Not Disturb filter is
    /// applied and keeps the account on.
    bool breaksThroughDoNotDisturb(std::string_view accountId) const;
    /// Follows `watcher` from now on (the program passes the desktop's; null: none). Not owned.
    void followDoNotDisturb(DoNotDisturbWatcher* watcher);

    /// Calls `listener` after every application of a filter (Do Not Disturb ending included), for as
    /// long as the returned handle is kept.
    using Subscription = std::shared_ptr<const std::function<void()>>;
    [[nodiscard]] Subscription onFilterApplied(std::function<void()> listener);

    /// The state as sent in "focusFilter.changed" and answered to "focusFilter.get".
    Object stateObject() const;
    /// The one-line status shown in the settings window for the current state.
    std::string statusText() const;

private:
    SettingsModel& m_settings;
    TrayModel& m_tray;
    Ports m_ports;
    std::shared_ptr<StdioTransport> m_transport;
    std::unique_ptr<FocusFilterChangeObserver> m_observer;
    std::unique_ptr<DoNotDisturbWatcher> m_dndWatcher;
    std::vector<std::string> m_activeAccountIds;
    bool m_disableExcludedAccounts = false;
    bool m_isFilterActive = false;
    /// Set while an announced reload runs: applyFilter() then ignores a state equal to the current one.
    bool m_onlyChanges = false;
    bool m_fileUnreadable = false;  ///< the last read found the file unreadable (logged once in a row)
    /// Applies the state read from the file, or keeps it for later while the Do Not Disturb filter holds.
    void applyFileState(std::vector<std::string> ids, bool blocked);
    /// The saved Do Not Disturb filter, if any.
    std::optional<std::pair<std::vector<std::string>, bool>> readDoNotDisturbChoice() const;
    bool m_doNotDisturb = false;
    bool m_dndApplied = false;
    /// The state the Do Not Disturb filter replaced, given back when it ends.
    std::vector<std::string> m_restoreIds;
    bool m_restoreBlocked = false;
    std::vector<std::weak_ptr<const std::function<void()>>> m_listeners;
    /// Posted reloads hold this weakly, so they do nothing once the controller is gone.
    std::shared_ptr<FocusFilterController*> m_self;
};

} // namespace tarnwick
