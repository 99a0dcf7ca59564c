#include <gtest/gtest.h>

#include <QDBusConnection>

#include "fakestatusitemhost.h"
#include "helpertestsupport.h"
#include "tarnwick/helper/focusfiltercontroller.h"
#include "tarnwick/helper/menubarcontroller.h"
#include "tarnwick/helper/settingsmodel.h"
#include "tarnwick/helper/traymodel.h"
#include "tarnwick/platform/fakesystempaths.h"
#include "tarnwick/platform/focusfilterchangeobserver.h"

using namespace tarnwick;
using namespace tarnwick::test;

namespace {

Object obj(std::string_view text)
{
    auto value = json::parse(text);
    return value && value->object() ? *value->object() : Object{};
}

class MenuBarControllerTest : public ::testing::Test {
protected:
    LogCapture log;
    ManualMainQueue queue;
    FakeStatusItemHost host;
    // Events and host calls in one timeline, so their order can be checked.
    std::shared_ptr<StdioTransport> transport = StdioTransport::create(
        queue, {-1, [this](std::string_view l) { host.calls.emplace_back(l.substr(0, l.size() - 1)); }, [] {}});
    ManualClock clock;
    FakeSystemPaths paths;
    SettingsModel settings;
    TrayModel tray{clock};
    FocusFilterController focus{settings, tray, {queue, &paths, [] {
                                                    return std::make_unique<FocusFilterChangeObserver>(
                                                        QDBusConnection(QStringLiteral("unconnected")), nullptr);
                                                }}};
    MenuBarController controller{tray, focus, host, queue, clock};

    std::vector<std::string> take()
    {
        auto calls = std::move(host.calls);
        host.calls.clear();
        return calls;
    }
    void createWithAccounts()
    {
        controller.create(transport);
        controller.updateData(obj(R"({"accounts":[{"id":"a","unreadCount":1},{"id":"b"}],"totalUnread":1})"));
        take();
        log.clear();
    }
};

const std::string kGetA = R"({"method":"tray.getMessages","params":{"accountId":"a"}})";
const std::string kGetB = R"({"method":"tray.getMessages","params":{"accountId":"b"}})";
const std::string kOpened = R"({"method":"tray.popoverOpened"})";

} // namespace

TEST_F(MenuBarControllerTest, CreatesTheItemOnceButAlwaysTakesTheTransport)
{
    controller.create(transport);
    EXPECT_EQ(take(), (std::vector<std::string>{"attach", "setTitle"}));
    EXPECT_EQ(log.records(), std::vector<std::string>{"I|Tray|Status item attached to system menu bar"});
    EXPECT_EQ(host.description, "Tarnwick, no accounts");

    RecordingTransport other;
    controller.create(other.transport);
    EXPECT_TRUE(take().empty()) << "a second create only replaces the transport";
    EXPECT_EQ(controller.transport(), other.transport);

    log.clear();
    controller.destroy();
    controller.destroy();
    EXPECT_EQ(take(), std::vector<std::string>{"remove"}) << "only an existing item is removed";
    const std::vector<std::string> destroyed = {"I|Tray|Status item removed from system menu bar",
                                                "I|Tray|Dismissing tray popover"};
    EXPECT_EQ(log.records(), (std::vector<std::string>{destroyed[0], destroyed[1], destroyed[0], destroyed[1]}));
    controller.updateTitle();
    EXPECT_TRUE(take().empty()) << "no item, no title";
    controller.create(transport);
    EXPECT_EQ(take(), (std::vector<std::string>{"attach", "setTitle"})) << "a new item after destroy";
}

TEST_F(MenuBarControllerTest, UpdateDataLogsPrunesAndRetitles)
{
    controller.updateData(obj(R"({"accounts":[{"id":"a"}],"totalUnread":4})"));
    EXPECT_EQ(log.records(), std::vector<std::string>{"I|Tray|Updated tray data (1 accounts, 4 unread)"})
        << "before create the model still updates and logs";
    EXPECT_TRUE(take().empty());

    controller.create(transport);
    focus.setup(transport);
    focus.applyFilter({"a", "b"}, false);
    take();
    log.clear();
    controller.updateData(obj(R"({"accounts":[{"id":"a","name":"Work","color":"#f00","unreadCount":3},)"
                              R"({"id":"c","name":"Home","unreadCount":0}],"totalUnread":3,"unreadDisplay":"dots"})"));
    EXPECT_EQ(log.records(), (std::vector<std::string>{"I|Focus|Dropped filter entries for 1 removed account(s)",
                                                       "I|Focus|Filter active; 1 account(s) stay on, excluded accounts silenced",
                                                       "I|Tray|Updated tray data (2 accounts, 3 unread)"}));
    EXPECT_EQ(take(), (std::vector<std::string>{
                          R"({"method":"focusFilter.changed","params":{"activeAccountIds":["a"],"disableExcludedAccounts":false,"isFilterActive":true}})",
                          "setTitle"}));
    EXPECT_EQ(host.title, MenuBarTitle::dots({{"Work", "#f00", 3, false}, {"Home", "#3b82f6", 0, false}}, host.capHeight));
    EXPECT_EQ(host.description, "Tarnwick, Work 3 unread");

    controller.updateData(obj(R"({"unreadDisplay":"nothing"})"));
    EXPECT_TRUE(host.title.empty()) << "only the glyph";
    EXPECT_EQ(host.description, "Tarnwick, Work 3 unread") << "the description is still set";
    controller.updateData(obj(R"({"unreadDisplay":"numbers"})"));
    EXPECT_EQ(host.title.plainText(), std::string(MenuBarTitle::kFigureSpace) + "3" + MenuBarTitle::kFigureSpace + "0");

    // An empty account list prunes nothing: helper_state_process_tests.
    host.button = false;
    take();
    controller.updateTitle();
    EXPECT_TRUE(take().empty()) << "no button, no title";
}

TEST_F(MenuBarControllerTest, MessageListsArriveInALaterTask)
{
    controller.updateMessages("a", {obj(R"({"id":"m","internalDate":"5","labelIds":["UNREAD"]})"), obj(R"({"id":"n"})")});
    EXPECT_TRUE(tray.messagesByAccount().empty()) << "not before the handler has returned";
    queue.runAll();
    ASSERT_EQ(tray.messagesByAccount().at("a").size(), 2u);
    EXPECT_EQ(tray.messagesByAccount().at("a")[0].id, "m");
    EXPECT_TRUE(tray.messagesByAccount().at("a")[0].isUnread);

    {
        MenuBarController shortLived{tray, focus, host, queue, clock};
        shortLived.updateMessages("b", {obj(R"({"id":"x"})")});
    }
    queue.runAll();
    EXPECT_EQ(tray.messagesByAccount().count("b"), 0u) << "a task outliving its controller does nothing";

    tray.update(obj(R"({"verificationCode":{"code":"1","messageId":"m","threadId":"t","accountId":"a"}})"));
    controller.updateVerificationCode(nullptr);
    EXPECT_FALSE(tray.currentVerificationCode());
}

TEST_F(MenuBarControllerTest, PressingTogglesThePopoverWithADebounce)
{
    controller.showPopover();
    EXPECT_TRUE(take().empty()) << "no item, no popover";

    createWithAccounts();
    host.press();
    EXPECT_EQ(take(), (std::vector<std::string>{"showPopover", kGetA, kGetB, kOpened}));
    EXPECT_EQ(log.records(), std::vector<std::string>{"I|Tray|Showing tray popover"});

    clock.advance(5);
    host.press();
    EXPECT_EQ(take(), std::vector<std::string>{"closePopover"});
    EXPECT_EQ(log.records().back(), "I|Tray|Dismissing tray popover");
    EXPECT_FALSE(controller.hasPopover());

    clock.advance(0.2);
    host.press();
    EXPECT_TRUE(take().empty()) << "a press within 0.25 s of the close is ignored";
    clock.advance(0.05);
    host.press();
    EXPECT_EQ(take().at(0), "showPopover") << "0.25 s later it opens again";

    // Clicking the item while the popover is open: the popover closes itself on the press, then the
    // press arrives. It must not reopen.
    clock.advance(1);
    host.closeByItself();
    host.press();
    EXPECT_TRUE(take().empty());
    EXPECT_TRUE(controller.hasPopover()) << "a popover that closed itself stays until replaced";

    clock.advance(1);
    controller.updateData(obj(R"({"totalUnread":2})"));
    EXPECT_EQ(take(), std::vector<std::string>{"setTitle"}) << "a closed popover asks for no messages";
    host.press();
    EXPECT_EQ(take(), (std::vector<std::string>{"showPopover", kGetA, kGetB, kOpened})) << "replaced";
    controller.updateData(obj(R"({"totalUnread":2})"));
    EXPECT_EQ(take(), (std::vector<std::string>{"setTitle", kGetA, kGetB})) << "an open popover refreshes every account";

    controller.dismissPopover();
    take();
    clock.setWallClock(0);
    clock.advance(0.3);
    host.press();
    EXPECT_EQ(take().at(0), "showPopover") << "setting the wall clock back does not block the item";
}

TEST_F(MenuBarControllerTest, WithoutATransportThePopoverStillWorks)
{
    controller.create(nullptr);
    controller.updateData(obj(R"({"accounts":[{"id":"a"}]})"));
    take();
    controller.togglePopover();
    EXPECT_EQ(take(), std::vector<std::string>{"showPopover"});
    host.actions.onRefresh();
    host.actions.onQuit();
    EXPECT_EQ(take(), std::vector<std::string>{"closePopover"}) << "events are skipped silently";
}

TEST_F(MenuBarControllerTest, PopoverCallbacksSendTheirEventsAndCloseByTheRules)
{
    struct Case {
        const char* name;
        std::function<void(TrayPopoverActions&)> call;
        std::vector<std::string> expected; // after "showPopover" and the opening events
    };
    const std::string close = "closePopover";
    const std::vector<Case> cases = {
        {"compose for an account", [](auto& a) { a.onCompose(std::string("a")); },
         {R"({"method":"tray.compose","params":{"accountId":"a"}})", close}},
        {"compose without an account", [](auto& a) { a.onCompose(std::nullopt); },
         {R"({"method":"tray.compose","params":{}})", close}},
        {"compose with an empty id", [](auto& a) { a.onCompose(std::string()); },
         {R"({"method":"tray.compose","params":{}})", close}},
        {"show account", [](auto& a) { a.onShowAccount("b"); },
         {R"({"method":"tray.showAccount","params":{"accountId":"b"}})", close}},
        {"show thread", [](auto& a) { a.onShowThread("a", "t1"); },
         {R"({"method":"tray.showThread","params":{"accountId":"a","threadId":"t1"}})", close}},
        {"thread action", [](auto& a) { a.onThreadAction("a", "t1", TrayThreadAction::markUnread); },
         {R"({"method":"tray.threadAction","params":{"accountId":"a","action":"markUnread","threadId":"t1"}})"}},
        {"open app", [](auto& a) { a.onOpenApp(); },
         {R"({"method":"tray.showAccount","params":{"accountId":""}})", close}},
        {"search in an account", [](auto& a) { a.onSearch("invoice", std::string("b")); },
         {R"({"method":"tray.search","params":{"accountId":"b","query":"invoice"}})", close}},
        {"search everywhere", [](auto& a) { a.onSearch("x", std::string()); },
         {R"({"method":"tray.search","params":{"query":"x"}})", close}},
        {"refresh", [](auto& a) { a.onRefresh(); }, {R"({"method":"tray.refresh"})"}},
        {"open settings", [](auto& a) { a.onOpenSettings(); }, {close, R"({"method":"tray.openSettings"})"}},
        {"quit", [](auto& a) { a.onQuit(); }, {close, R"({"method":"tray.quit"})"}},
        {"unread only", [](auto& a) { a.onUnreadOnlyChanged(true); },
         {R"({"method":"settings.changed","params":{"key":"menuBarUnreadOnly","value":true}})"}},
    };
    createWithAccounts();
    for (const Case& c : cases) {
        clock.advance(1);
        controller.dismissPopover();
        clock.advance(1);
        controller.showPopover();
        take();
        c.call(host.actions);
        EXPECT_EQ(take(), c.expected) << c.name;
        EXPECT_EQ(host.popoverShown, c.expected.size() == 1 && c.expected[0] != close) << c.name;
    }

    TrayPopoverActions orphaned;
    {
        MenuBarController shortLived{tray, focus, host, queue, clock};
        shortLived.create(transport);
        orphaned = shortLived.makePopoverActions();
    }
    take();
    orphaned.onQuit();
    orphaned.onCompose(std::nullopt);
    host.callbacks.togglePopover();
    EXPECT_TRUE(take().empty()) << "callbacks of a controller that is gone do nothing";
}
