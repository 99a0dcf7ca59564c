#pragma once

// The helper's single holder of the Focus filter state: which accounts stay active during the
// current Focus and whether the others are blocked or only silenced.

#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "tarnwick/rpc/stdiotransport.h"

namespace tarnwick {

class SettingsModel;

class FocusFilterController {
public:
    explicit FocusFilterController(SettingsModel& settings);
    static FocusFilterController& shared();

    /// Keeps the transport, starts observing change announcements and loads the persisted state.
    void setup(std::shared_ptr<StdioTransport> transport);
    /// Re-reads the persisted state and applies it.
    void loadPersistedFocusFilter();

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

    /// The state as sent in "focusFilter.changed" and answered to "focusFilter.get".
    Object stateObject() const;
    /// The one-line status shown in the settings window for the current state.
    std::string statusText() const;

private:
    SettingsModel& m_settings;
    std::shared_ptr<StdioTransport> m_transport;
    std::vector<std::string> m_activeAccountIds;
    bool m_disableExcludedAccounts = false;
    bool m_isFilterActive = false;
};

} // namespace tarnwick
