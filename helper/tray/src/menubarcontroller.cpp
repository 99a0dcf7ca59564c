#include "tarnwick/helper/menubarcontroller.h"

#include <QDBusConnection>
#include <QGuiApplication>
#include <set>

#include "tarnwick/helper/focusfiltercontroller.h"
#include "tarnwick/helper/headlessstatusitemhost.h"
#include "tarnwick/helper/menubartitle.h"
#include "tarnwick/helper/statusitemhost.h"
#include "tarnwick/helper/statusnotifieritemhost.h"
#include "tarnwick/helper/trayfallback.h"
#include "tarnwick/helper/trayhostmissingnotice.h"
#include "tarnwick/helper/traymodel.h"
#include "tarnwick/notifications/notificationcenter.h"
#include "tarnwick/platform/qtmainqueue.h"
#include "tarnwick/platform/sessionbus.h"
#include "tarnwick/rpc/helperlog.h"

namespace tarnwick {

namespace {
constexpr std::string_view kCategory = "Tray";
}

MenuBarController::MenuBarController(TrayModel& model, FocusFilterController& focusFilter, StatusItemHost& host,
                                     MainQueue& mainQueue, const Clock& clock)
    : m_model(model)
    , m_focusFilter(focusFilter)
    , m_host(host)
    , m_mainQueue(mainQueue)
    , m_clock(clock)
    , m_self(std::make_shared<MenuBarController*>(this))
{
}

MenuBarController::~MenuBarController() = default;

MenuBarController& MenuBarController::shared()
{
    // The desktop's tray when the program runs with a GUI; a process without one (tools, tests) keeps
    // the item in memory only, and every rule still runs.
    static QtMainQueue* mainQueue = new QtMainQueue;
    static StatusItemHost* host = [] () -> StatusItemHost* {
        if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            return new HeadlessStatusItemHost;
        SessionBus& bus = SessionBus::shared();
        auto* item = new StatusNotifierItemHost(bus.connection());
        // Without any tray the user would never find the item: say how to get one. An XEmbed-only
        // tray (i3bar, tint2) shows it through the fallback.
        auto* notice = new TrayHostMissingNotice(NotificationCenter::current());
        auto* fallback = new TrayFallback(*item, bus.connection(), item);
        QObject::connect(fallback, &TrayFallback::noTray, item, [notice] { notice->trayAbsent(); });
        QObject::connect(fallback, &TrayFallback::trayShown, item, [notice] { notice->trayPresent(); });
        // A lost bus took the item's name and objects along: publish them on the new connection.
        QObject::connect(&bus, &SessionBus::reconnected, item, [item, fallback](const QDBusConnection& connection) {
            fallback->useBus(connection);
            item->useBus(connection);
        });
        return item;
    }();
    static MenuBarController* instance =
        new MenuBarController(TrayModel::shared(), FocusFilterController::shared(), *host, *mainQueue);
    return *instance;
}

// Wraps a member call so that it does nothing once this controller is gone.
template <typename F>
auto MenuBarController::weakly(F f)
{
    return [weak = std::weak_ptr<MenuBarController*>(m_self), f = std::move(f)](auto&&... args) mutable {
        if (auto self = weak.lock())
            f(**self, std::forward<decltype(args)>(args)...);
    };
}

void MenuBarController::create(std::shared_ptr<StdioTransport> transport)
{
    m_transport = std::move(transport);
    if (m_hasStatusItem)
        return;
    HelperLog::info(kCategory, "Status item attached to system menu bar");
    m_host.attach({weakly([](MenuBarController& c) { c.togglePopover(); }),
                   weakly([](MenuBarController& c) { c.popoverWillClose(); }),
                   weakly([](MenuBarController& c) { c.popoverDidClose(); }),
                   weakly([](MenuBarController& c, TrayMenuCommand command) { c.runMenuCommand(command); })});
    m_hasStatusItem = true;
    updateTitle();
}

void MenuBarController::destroy()
{
    HelperLog::info(kCategory, "Status item removed from system menu bar");
    dismissPopover();
    if (m_hasStatusItem) {
        m_host.remove();
        m_hasStatusItem = false;
    }
}

void MenuBarController::updateData(const Object& params)
{
    m_model.update(params);

    std::set<std::string> ids;
    for (const TrayAccount& account : m_model.accounts())
        ids.insert(account.id);
    m_focusFilter.prune(ids);

    HelperLog::info(kCategory, "Updated tray data (" + std::to_string(m_model.accounts().size()) + " accounts, " +
                                   std::to_string(m_model.totalUnread()) + " unread)");
    updateTitle();
    if (m_hasPopover && m_host.isPopoverShown())
        requestMessagesForEveryAccount();
}

void MenuBarController::updateMessages(const std::string& accountId, const std::vector<Object>& messages)
{
    std::vector<TrayMessage> list;
    list.reserve(messages.size());
    for (const Object& object : messages)
        list.push_back(TrayMessage::fromParams(object));
    m_mainQueue.post(weakly([accountId, list = std::move(list)](MenuBarController& c) mutable {
        c.m_model.setMessages(accountId, std::move(list));
    }));
}

void MenuBarController::updateVerificationCode(const Object* params)
{
    m_model.updateVerificationCode(params);
}

void MenuBarController::updateTitle()
{
    if (!m_hasStatusItem || !m_host.hasButton())
        return;
    std::vector<MenuBarAccount> accounts;
    accounts.reserve(m_model.accounts().size());
    for (const TrayAccount& account : m_model.accounts())
        accounts.push_back(MenuBarAccount::from(account));

    StyledTitle title;
    switch (m_model.unreadDisplay()) {
    case MenuBarUnreadDisplay::nothing: break;
    case MenuBarUnreadDisplay::dots: title = MenuBarTitle::dots(accounts, m_host.titleCapHeight()); break;
    case MenuBarUnreadDisplay::numbers: title = MenuBarTitle::numbers(accounts, m_host.titleCapHeight()); break;
    }
    m_host.setCounts(accounts, m_model.unreadDisplay());
    m_host.setTitle(title, MenuBarTitle::accessibilityDescription(accounts));
}

void MenuBarController::runMenuCommand(TrayMenuCommand command)
{
    // The menu's entries do what the popover's controls of the same names do.
    const TrayPopoverActions actions = makePopoverActions();
    switch (command) {
    case TrayMenuCommand::openInbox: actions.onOpenApp(); break;
    case TrayMenuCommand::newMessage: actions.onCompose(std::nullopt); break;
    case TrayMenuCommand::refreshInbox:
        if (m_model.isRefreshing())
            return;
        m_model.setIsRefreshing(true);
        actions.onRefresh();
        break;
    case TrayMenuCommand::preferences: actions.onOpenSettings(); break;
    case TrayMenuCommand::quit: actions.onQuit(); break;
    }
}

void MenuBarController::togglePopover()
{
    // The press that closes a transient popover (by clicking outside it, on the item) arrives right
    // after the close; it must not open the popover again.
    if (m_popoverClosedAt && m_clock.monotonic() - *m_popoverClosedAt < kToggleDebounce)
        return;
    if (m_hasPopover && m_host.isPopoverShown())
        dismissPopover();
    else
        showPopover();
}

void MenuBarController::showPopover()
{
    if (!m_hasStatusItem || !m_host.hasButton())
        return;
    m_host.showPopover(m_model, makePopoverActions());
    m_hasPopover = true;
    HelperLog::info(kCategory, "Showing tray popover");
    requestMessagesForEveryAccount();
    send("tray.popoverOpened");
}

void MenuBarController::dismissPopover()
{
    HelperLog::info(kCategory, "Dismissing tray popover");
    notePopoverClosed();
    if (m_hasPopover) {
        m_host.closePopover();
        m_hasPopover = false;
    }
}

void MenuBarController::popoverWillClose()
{
    notePopoverClosed();
}

void MenuBarController::popoverDidClose()
{
    notePopoverClosed();
}

void MenuBarController::notePopoverClosed()
{
    m_popoverClosedAt = m_clock.monotonic();
}

void MenuBarController::send(std::string method, std::optional<Object> params)
{
    if (m_transport)
        m_transport->sendEvent(std::move(method), std::move(params));
}

void MenuBarController::requestMessagesForEveryAccount()
{
    if (!m_transport)
        return;
    for (const TrayAccount& account : m_model.accounts())
        m_transport->sendEvent("tray.getMessages", Object{{"accountId", account.id}});
}

TrayPopoverActions MenuBarController::makePopoverActions()
{
    TrayPopoverActions actions;
    actions.onCompose = weakly([](MenuBarController& c, const std::optional<std::string>& accountId) {
        Object params;
        if (accountId && !accountId->empty())
            params.emplace("accountId", *accountId);
        c.send("tray.compose", std::move(params));
        c.dismissPopover();
    });
    actions.onShowAccount = weakly([](MenuBarController& c, const std::string& accountId) {
        c.send("tray.showAccount", Object{{"accountId", accountId}});
        c.dismissPopover();
    });
    actions.onShowThread = weakly([](MenuBarController& c, const std::string& accountId, const std::string& threadId) {
        c.send("tray.showThread", Object{{"accountId", accountId}, {"threadId", threadId}});
        c.dismissPopover();
    });
    actions.onThreadAction = weakly([](MenuBarController& c, const std::string& accountId,
                                       const std::string& threadId, TrayThreadAction action) {
        c.send("tray.threadAction", Object{{"accountId", accountId},
                                           {"threadId", threadId},
                                           {"action", traythreadaction::rawValue(action)}});
    });
    actions.onOpenApp = weakly([](MenuBarController& c) {
        c.send("tray.showAccount", Object{{"accountId", ""}});
        c.dismissPopover();
    });
    actions.onSearch = weakly([](MenuBarController& c, const std::string& query,
                                 const std::optional<std::string>& accountId) {
        Object params{{"query", query}};
        if (accountId && !accountId->empty())
            params.emplace("accountId", *accountId);
        c.send("tray.search", std::move(params));
        c.dismissPopover();
    });
    actions.onRefresh = weakly([](MenuBarController& c) { c.send("tray.refresh"); });
    actions.onOpenSettings = weakly([](MenuBarController& c) {
        c.dismissPopover();
        c.send("tray.openSettings");
    });
    actions.onQuit = weakly([](MenuBarController& c) {
        c.dismissPopover();
        c.send("tray.quit");
    });
    actions.onUnreadOnlyChanged = weakly([](MenuBarController& c, bool unreadOnly) {
        c.send("settings.changed", Object{{"key", "menuBarUnreadOnly"}, {"value", unreadOnly}});
    });
    return actions;
}

} // namespace tarnwick
