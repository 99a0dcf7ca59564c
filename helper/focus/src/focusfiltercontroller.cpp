#include "tarnwick/helper/focusfiltercontroller.h"

#include <algorithm>

#include "tarnwick/extensionkit/focusfilterfile.h"
#include "tarnwick/helper/donotdisturbwatcher.h"
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
        new FocusFilterController(SettingsModel::shared(), TrayModel::shared(),
                                  Ports{*mainQueue, nullptr, {}, [] { return DoNotDisturbWatcher::forDesktop(); }});
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
                                         (*self)->reloadAnnounced();
                                 });
                             });
        } else {
            HelperLog::warn(kCategory, std::string("No session bus; changes announced as ") +
                                           focusfiltersignal::kName + " will not be seen");
        }
    }
    loadPersistedFocusFilter();
    if (!m_dndWatcher && m_ports.makeDoNotDisturbWatcher) {
        m_dndWatcher.reset(m_ports.makeDoNotDisturbWatcher());
        followDoNotDisturb(m_dndWatcher.get());
    }
}

bool FocusFilterController::isObserving() const
{
    return m_observer && m_observer->isListening();
}

void FocusFilterController::reloadAnnounced()
{
    // Any program on the bus can announce a change, as often as it likes: an announcement that
    // changes nothing is neither logged nor reported.
    m_onlyChanges = true;
    loadPersistedFocusFilter();
    m_onlyChanges = false;
}

void FocusFilterController::loadPersistedFocusFilter()
{
    const SystemPaths& paths = m_ports.paths ? *m_ports.paths : SystemPaths::current();
    const auto location = FocusFilterFile::location(paths);
    FocusFilterState state;
    bool loaded = false;
    bool unreadable = false;
    if (location) {
        auto result = FocusFilterFile::read(*location);
        switch (result.status) {
        case FocusFilterFile::ReadStatus::Missing:
            break;
        case FocusFilterFile::ReadStatus::Unreadable:
            if (!(m_onlyChanges && m_fileUnreadable))
                HelperLog::error(kCategory, "focus-filter.json could not be read; clearing the filter");
            unreadable = true;
            break;
        case FocusFilterFile::ReadStatus::Loaded:
            state = std::move(result.state);
            loaded = true;
            break;
        }
    }
    m_fileUnreadable = unreadable;
    std::set<std::string> ids;
    for (const TrayAccount& account : m_tray.accounts())
        ids.insert(account.id);
    // Removed accounts are dropped before comparing, so an unchanged file compares equal after a prune.
    if (m_onlyChanges && !ids.empty())
        std::erase_if(state.activeAccountIds, [&ids](const std::string& id) { return !ids.contains(id); });
    applyFileState(std::move(state.activeAccountIds), state.disableExcludedAccounts);
    if (!loaded)
        return;
    prune(ids);
}

void FocusFilterController::applyFileState(std::vector<std::string> ids, bool blocked)
{
    if (!m_doNotDisturb) {
        applyFilter(std::move(ids), blocked);
        return;
    }
    // The file is what comes back when Do Not Disturb ends; the choice for it may have changed too.
    m_restoreIds = std::move(ids);
    m_restoreBlocked = blocked;
    if (auto choice = readDoNotDisturbChoice()) {
        m_dndApplied = true;
        applyFilter(std::move(choice->first), choice->second);
    } else {
        m_dndApplied = false;
        applyFilter(m_restoreIds, m_restoreBlocked);
    }
}

void FocusFilterController::applyFilter(std::vector<std::string> activeAccountIds, bool disableExcludedAccounts)
{
    if (m_onlyChanges && activeAccountIds == m_activeAccountIds && disableExcludedAccounts == m_disableExcludedAccounts)
        return;
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

    std::erase_if(m_listeners, [](const auto& listener) { return listener.expired(); });
    const auto listeners = m_listeners;  // a listener may subscribe another
    for (const auto& weak : listeners)
        if (const auto listener = weak.lock())
            (*listener)();
}

FocusFilterController::Subscription FocusFilterController::onFilterApplied(std::function<void()> listener)
{
    auto subscription = std::make_shared<const std::function<void()>>(std::move(listener));
    m_listeners.push_back(subscription);
    return subscription;
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

std::optional<std::pair<std::vector<std::string>, bool>> FocusFilterController::readDoNotDisturbChoice() const
{
    const SystemPaths& paths = m_ports.paths ? *m_ports.paths : SystemPaths::current();
    const auto location = FocusFilterFile::doNotDisturbLocation(paths);
    if (!location)
        return std::nullopt;
    auto result = FocusFilterFile::read(*location);
    switch (result.status) {
    case FocusFilterFile::ReadStatus::Missing:
        return std::nullopt;
    case FocusFilterFile::ReadStatus::Unreadable:
        HelperLog::error(kCategory, "focus-filter-dnd.json could not be read; Do Not Disturb leaves the filter alone");
        return std::nullopt;
    case FocusFilterFile::ReadStatus::Loaded:
        break;
    }
    return std::make_pair(std::move(result.state.activeAccountIds), result.state.disableExcludedAccounts);
}

void FocusFilterController::setDoNotDisturb(bool active)
{
    if (active == m_doNotDisturb)
        return;
    m_doNotDisturb = active;
    if (active) {
        auto choice = readDoNotDisturbChoice();
        if (!choice) {
            HelperLog::info(kCategory, "Do Not Disturb is on; no filter is saved for it");
            return;
        }
        HelperLog::info(kCategory, "Do Not Disturb is on; applying its filter");
        m_restoreIds = m_activeAccountIds;
        m_restoreBlocked = m_disableExcludedAccounts;
        m_dndApplied = true;
        applyFilter(std::move(choice->first), choice->second);
        return;
    }
    if (!m_dndApplied) {
        HelperLog::info(kCategory, "Do Not Disturb is off");
        return;
    }
    HelperLog::info(kCategory, "Do Not Disturb is off; restoring the filter");
    m_dndApplied = false;
    applyFilter(std::move(m_restoreIds), m_restoreBlocked);
    m_restoreIds.clear();
}

bool FocusFilterController::breaksThroughDoNotDisturb(std::string_view accountId) const
{
    return m_dndApplied && !isAccountMuted(accountId);
}

void FocusFilterController::followDoNotDisturb(DoNotDisturbWatcher* watcher)
{
    if (!watcher)
        return;
    HelperLog::info(kCategory, "Following the desktop's Do Not Disturb");
    QObject::connect(watcher, &DoNotDisturbWatcher::activeChanged, watcher,
                     [weak = std::weak_ptr<FocusFilterController*>(m_self)](bool active) {
                         if (auto self = weak.lock())
                             (*self)->setDoNotDisturb(active);
                     });
    setDoNotDisturb(watcher->active());
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
