#include "tarnwick/helper/focusfiltercontroller.h"

#include <algorithm>

#include "tarnwick/helper/settingsmodel.h"
#include "tarnwick/rpc/helperlog.h"

namespace tarnwick {

namespace {
constexpr std::string_view kCategory = "Focus";
}

FocusFilterController::FocusFilterController(SettingsModel& settings)
    : m_settings(settings)
{
}

FocusFilterController& FocusFilterController::shared()
{
    static FocusFilterController* instance = new FocusFilterController(SettingsModel::shared());
    return *instance;
}

void FocusFilterController::setup(std::shared_ptr<StdioTransport> transport)
{
    m_transport = std::move(transport);
    // PENDING: observing the change announcement on the session bus.
    loadPersistedFocusFilter();
}

void FocusFilterController::loadPersistedFocusFilter()
{
    // PENDING: reading focus-filter.json from the group container or the legacy location. Until then
    // the helper behaves as if no file exists, which clears the filter.
    applyFilter({}, false);
}

void FocusFilterController::applyFilter(std::vector<std::string> activeAccountIds, bool disableExcludedAccounts)
{
    m_activeAccountIds = std::move(activeAccountIds);
    m_disableExcludedAccounts = disableExcludedAccounts;
    m_isFilterActive = !m_activeAccountIds.empty();

    if (m_isFilterActive) {
        HelperLog::info(kCategory, "Filter active; " + std::to_string(m_activeAccountIds.size()) +
                                       " account(s) stay on, excluded accounts " +
                                       (m_disableExcludedAccounts ? "disabled" : "silenced"));
    } else {
        HelperLog::info(kCategory, "No filter; everything stays on");
    }
    m_settings.setFocusFilterStatus(statusText());
    if (m_transport)
        m_transport->sendEvent("focusFilter.changed", stateObject());
}

void FocusFilterController::prune(const std::set<std::string>& valid)
{
    // The tray's account list is empty until the main application first sends it; pruning against
    // it then would wipe the filter.
    if (valid.empty())
        return;
    std::vector<std::string> kept;
    std::copy_if(m_activeAccountIds.begin(), m_activeAccountIds.end(), std::back_inserter(kept),
                 [&](const std::string& id) { return valid.contains(id); });
    if (kept.size() == m_activeAccountIds.size())
        return;
    HelperLog::info(kCategory, "Dropped filter entries for " + std::to_string(m_activeAccountIds.size() - kept.size()) +
                                   " removed account(s)");
    applyFilter(std::move(kept), m_disableExcludedAccounts);
}

bool FocusFilterController::isAccountMuted(std::string_view accountId) const
{
    return m_isFilterActive &&
           std::find(m_activeAccountIds.begin(), m_activeAccountIds.end(), accountId) == m_activeAccountIds.end();
}

Object FocusFilterController::stateObject() const
{
    Array ids;
    ids.reserve(m_activeAccountIds.size());
    for (const std::string& id : m_activeAccountIds)
        ids.emplace_back(id);
    return Object{{"activeAccountIds", std::move(ids)},
                  {"disableExcludedAccounts", m_disableExcludedAccounts},
                  {"isFilterActive", m_isFilterActive}};
}

std::string FocusFilterController::statusText() const
{
    if (!m_isFilterActive)
        return "Inactive (All accounts active)";
    const std::string count = std::to_string(m_activeAccountIds.size());
    return m_disableExcludedAccounts ? "Active: " + count + " accounts visible (others hidden)"
                                     : "Active: " + count + " accounts active (others silenced)";
}

} // namespace tarnwick
