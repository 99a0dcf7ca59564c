#include "tarnwick/helper/dispatcher.h"

#include "tarnwick/helper/focusfiltercontroller.h"
#include "tarnwick/helper/menubarcontroller.h"
#include "tarnwick/helper/notificationcontroller.h"
#include "tarnwick/helper/settingsmodel.h"
#include "tarnwick/helper/settingswindow.h"
#include "tarnwick/rpc/asciicase.h"
#include "tarnwick/rpc/helperlog.h"
#include "tarnwick/rpc/params.h"

namespace tarnwick {

HelperComponents HelperComponents::shared()
{
    return {SettingsModel::shared(), MenuBarController::shared(), NotificationController::shared(),
            FocusFilterController::shared(), &SettingsWindow::show};
}

Dispatcher::Dispatcher(std::shared_ptr<StdioTransport> transport, MainQueue& mainQueue, HelperComponents components)
    : m_transport(std::move(transport))
    , m_mainQueue(mainQueue)
    , m_components(std::move(components))
{
}

void Dispatcher::operator()(const RPCRequest& request)
{
    const std::string& method = request.method;
    const Object* params = request.params ? request.params->dict() : nullptr;

    if (method == "settings.show") {
        settingsShow(params);
    } else if (method == "settings.update") {
        settingsUpdate(params);
    } else if (method == "accounts.update") {
        accountsUpdate(params);
    } else if (method == "tray.create") {
        HelperLog::info("Tray", "Creating menu bar tray");
        m_components.menuBar.create(m_transport);
    } else if (method == "tray.destroy") {
        HelperLog::info("Tray", "Destroying menu bar tray");
        m_components.menuBar.destroy();
    } else if (method == "tray.update") {
        if (params)
            m_components.menuBar.updateData(*params);
    } else if (method == "tray.messages") {
        trayMessages(params);
    } else if (method == "tray.verificationCode") {
        m_components.menuBar.updateVerificationCode(params);
    } else if (method == "notify.setup") {
        m_components.notifications.prepare(m_transport);
    } else if (method == "notify.clearAll") {
        m_components.notifications.clearAll();
    } else if (method == "notify.dispatch") {
        if (params)
            m_components.notifications.dispatch(m_transport, *params);
    } else if (method == "focusFilter.get") {
        focusFilterGet(request);
        return;
    } else if (method == "focusFilter.set") {
        focusFilterSet(request);
        return;
    } else {
        const std::string message = "Unknown method: " + method;
        HelperLog::warn("RPC", message);
        if (request.id)
            m_transport->sendResponse(*request.id, std::nullopt, message);
        return;
    }
    respondOk(request);
}

void Dispatcher::respondOk(const RPCRequest& request)
{
    if (request.id)
        m_transport->sendResponse(*request.id, Value("ok"), std::nullopt);
}

namespace {

// The pane is the main application's text: only the pane names themselves are quoted.
std::string paneForLog(const std::optional<std::string>& pane)
{
    if (!pane)
        return "default";
    for (std::string_view known : {"general", "accounts", "appearance", "notifications", "advanced"})
        if (ascii::equalsIgnoringCase(*pane, known))
            return *pane;
    return "unknown";
}

} // namespace

void Dispatcher::settingsShow(const Object* params)
{
    SettingsModel& settings = m_components.settings;
    std::optional<std::string> pane;
    if (params) {
        if (const std::string* p = params::string(*params, "pane"))
            pane = *p;
        if (const Object* s = params::object(*params, "settings"))
            settings.update(*s);
        if (auto accounts = params::objectList(*params, "accounts"))
            settings.setAccounts(std::move(*accounts));
        if (auto profiles = params::profileMap(*params, "browserProfiles"))
            settings.setBrowserProfiles(std::move(*profiles));
        if (auto browsers = params::objectList(*params, "browsers"))
            settings.setBrowsers(std::move(*browsers));
        if (const Object* browser = params::object(*params, "defaultBrowser"))
            settings.setDefaultBrowser(*browser);
        if (const std::string* version = params::string(*params, "appVersion"))
            settings.setAppVersion(*version);
    }
    HelperLog::info("Settings", "Showing settings window, pane=" + paneForLog(pane));
    m_components.showSettingsWindow(m_transport, pane);
}

void Dispatcher::settingsUpdate(const Object* params)
{
    HelperLog::info("Settings", "Settings updated");
    if (!params)
        return;
    if (const Object* s = params::object(*params, "settings"))
        m_components.settings.update(*s);
}

void Dispatcher::accountsUpdate(const Object* params)
{
    std::vector<Object> accounts;
    if (params) {
        if (auto list = params::objectList(*params, "accounts"))
            accounts = std::move(*list);
    }
    HelperLog::info("Accounts", "Accounts updated: " + std::to_string(accounts.size()) + " account(s)");
    m_components.settings.setAccounts(std::move(accounts));
    if (params) {
        if (auto profiles = params::profileMap(*params, "browserProfiles"))
            m_components.settings.setBrowserProfiles(std::move(*profiles));
    }
}

void Dispatcher::trayMessages(const Object* params)
{
    if (!params)
        return;
    const std::string* accountId = params::string(*params, "accountId");
    auto messages = params::objectList(*params, "messages");
    if (accountId && messages)
        m_components.menuBar.updateMessages(*accountId, *messages);
}

void Dispatcher::focusFilterGet(const RPCRequest& request)
{
    m_mainQueue.post([transport = m_transport, &focus = m_components.focusFilter, id = request.id] {
        if (id)
            transport->sendResponse(*id, Value(focus.stateObject()), std::nullopt);
    });
}

void Dispatcher::focusFilterSet(const RPCRequest& request)
{
    const Object* params = request.params ? request.params->dict() : nullptr;
    std::optional<std::pair<std::vector<std::string>, bool>> filter;
    if (params) {
        filter.emplace(params::stringList(*params, "activeAccountIds").value_or(std::vector<std::string>{}),
                       params::boolean(*params, "disableExcludedAccounts").value_or(false));
    }
    m_mainQueue.post([transport = m_transport, &focus = m_components.focusFilter, id = request.id,
                      filter = std::move(filter)]() mutable {
        if (filter)
            focus.applyFilter(std::move(filter->first), filter->second);
        if (id)
            transport->sendResponse(*id, Value("ok"), std::nullopt);
    });
}

} // namespace tarnwick
