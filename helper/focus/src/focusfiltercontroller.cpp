#include "tarnwick/helper/focusfiltercontroller.h"

#include <algorithm>

#include "tarnwick/extensionkit/focusfilterfile.h"
#include "tarnwick/helper/settingsmodel.h"
#include "tarnwick/helper/traymodel.h"
#include "tarnwick/platform/focusfilterchangeobserver.h"
#include "tarnwick/platform/focusfilternotifier.h"
#include "tarnwick/platform/qtmainqueue.h"
#include "tarnwick/platform/systempaths.h"
#include "tarnwick/rpc/helperlog.h"

namespace tarnwick {

namespace {
constexpr std::string_view kCategory = "Focus";
}

FocusFilterController::FocusFilterController(SettingsModel& settings, TrayModel& tray, Ports ports)
    : m_settings(settings)
    , m_tray(tray)
    , m_ports(std::move(ports))
    , m_self(std::make_shared<FocusFilterController*>(this))
{
}

FocusFilterController::~FocusFilterController() = default;

FocusFilterController& FocusFilterController::shared()
{
    static QtMainQueue* mainQueue = new QtMainQueue;
    static FocusFilterController* instance =
        new FocusFilterController(SettingsModel::shared(), TrayModel::shared(), Ports{*mainQueue, nullptr, {}});
    return *instance;
}

void FocusFilterController::setup(std::shared_ptr<StdioTransport> transport)
{
    m_transport = std::move(transport);
    if (!m_observer) {
        m_observer = m_ports.makeObserver ? m_ports.makeObserver() : std::make_unique<FocusFilterChangeObserver>();
        if (m_observer && m_observer->isListening()) {
            QObject::connect(m_observer.get(), &FocusFilterChangeObserver::changed, m_observer.get(),
                             [this, weak = std::weak_ptr<FocusFilterController*>(m_self)] {
                                 m_ports.mainQueue.post([weak] {
                                     if (auto self = weak.lock())
                                         (*self)->loadPersistedFocusFilter();
                                 });
                             });
        } else {
            HelperLog::warn(kCategory, std::string("No session bus; changes announced as ") +
                                           focusfiltersignal::kName + " will not be seen");
        }
    }
    loadPersistedFocusFilter();
}

bool FocusFilterController::isObserving() const
{
    return m_observer && m_observer->isListening();
}

void FocusFilterController::loadPersistedFocusFilter()
{
    const SystemPaths& paths = m_ports.paths ? *m_ports.paths : SystemPaths::current();
    const auto location = FocusFilterFile::location(paths);
    if (!location) {
        applyFilter({}, false);
        return;
    }
    auto result = FocusFilterFile::read(*location);
    switch (result.status) {
    case FocusFilterFile::ReadStatus::Missing:
        applyFilter({}, false);
        return;
    case FocusFilterFile::ReadStatus::Unreadable:
        HelperLog::error(kCategory, "focus-filter.json could not be read; clearing the filter");
        applyFilter({}, false);
        return;
    case FocusFilterFile::ReadStatus::Loaded:
        break;
    }
    applyFilter(std::move(result.state.activeAccountIds), result.state.disableExcludedAccounts);

    std::set<std::string> ids;
    for (const TrayAccount& account : m_tray.accounts())
        ids.insert(account.id);
    prune(ids);
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
