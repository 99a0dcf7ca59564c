#include <gtest/gtest.h>

#include "fakedefaulthandler.h"
#include "fakestatusitemhost.h"
#include "helpertestsupport.h"
#include "tarnwick/helper/dispatcher.h"
#include "tarnwick/helper/focusfiltercontroller.h"
#include "tarnwick/helper/menubarcontroller.h"
#include "tarnwick/helper/notificationcontroller.h"
#include "tarnwick/helper/settingsmodel.h"
#include "tarnwick/helper/traymodel.h"
#include "tarnwick/platform/fakesystempaths.h"
#include "tarnwick/platform/focusfilterchangeobserver.h"

using namespace tarnwick;
using namespace tarnwick::test;

namespace {

class DispatcherTest : public ::testing::Test {
protected:
    // Dispatches one request line the way the transport would, then runs what it posted.
    std::vector<std::string> send(std::string_view line)
    {
        auto request = RPCRequest::decode(line);
        EXPECT_TRUE(request) << line;
        if (request)
            dispatcher(*request);
        io.queue.runAll();
        return io.take();
    }

    LogCapture log;
    RecordingTransport io;
    FakeDefaultHandler handler;
    SettingsModel settings{handler};
    ManualClock clock;
    TrayModel tray{clock};
    FakeSystemPaths paths; // no home: no Focus filter file
    FocusFilterController focus{settings, tray, {io.queue, &paths, [] { return nullptr; }}};
    FakeStatusItemHost host;
    MenuBarController menuBar{tray, focus, host, io.queue, clock};
    NotificationController notifications;
    struct WindowCall {
        bool hadTransport;
        std::optional<std::string> pane;
    };
    std::vector<WindowCall> windowCalls;
    Dispatcher dispatcher{io.transport, io.queue,
                          HelperComponents{settings, menuBar, notifications, focus,
                                           [this](std::shared_ptr<StdioTransport> t, std::optional<std::string> pane) {
                                               windowCalls.push_back({t != nullptr, pane});
                                           }}};
};

} // namespace

TEST_F(DispatcherTest, KnownMethodsAnswerOkAndUnknownOnesAnError)
{
    for (const char* method : {"settings.show", "settings.update", "accounts.update", "tray.create", "tray.destroy",
                               "tray.update", "tray.messages", "tray.verificationCode", "notify.setup",
                               "notify.clearAll", "notify.dispatch", "focusFilter.set"}) {
        const std::string line = std::string(R"({"id":7,"method":")") + method + "\"}";
        EXPECT_EQ(send(line), std::vector<std::string>{R"({"id":7,"result":"ok"})"}) << method;
    }
    // An unknown method's error answer and log line: helper_process_tests.
    EXPECT_EQ(send(R"({"id":13,"method":"Tray.create"})").at(0), R"({"error":"Unknown method: Tray.create","id":13})")
        << "methods match case-sensitively";
}

TEST_F(DispatcherTest, RequestsWithoutAnIdDoTheWorkButGetNoAnswer)
{
    // An unknown method without an id: helper_process_tests.
    EXPECT_TRUE(send(R"({"id":null,"method":"accounts.update","params":{"accounts":[{"id":"a"}]}})").empty());
    EXPECT_EQ(settings.accounts().size(), 1u) << "the work is still done";
    EXPECT_TRUE(send(R"({"method":"focusFilter.get"})").empty());
    EXPECT_TRUE(send(R"({"method":"tray.create"})").empty());
    EXPECT_EQ(menuBar.transport(), io.transport);
}

TEST_F(DispatcherTest, SettingsShowTakesOnlyWellShapedParameters)
{
    send(R"({"id":1,"method":"settings.show","params":{"appVersion":"1.0"}})");
    send(R"({"id":2,"method":"settings.show","params":{"pane":"accounts","appVersion":3}})");
    EXPECT_EQ(settings.appVersion(), "1.0") << "3 is not a string, so the version stays";
    send(R"({"id":3,"method":"settings.show","params":{"appVersion":"2.1","browsers":[{"id":"firefox"}],)"
         R"("defaultBrowser":{"id":"firefox"},"accounts":[{"id":"a"},{"id":"b"}],)"
         R"("browserProfiles":{"chrome":[{"id":"Default"}]}}})");
    send(R"({"id":4,"method":"settings.show","params":{"pane":5,"accounts":[{"id":"a"},"b"],)"
         R"("browserProfiles":{"chrome":[{"id":1}]},"browsers":{},"defaultBrowser":[]}})");

    ASSERT_EQ(windowCalls.size(), 4u);
    EXPECT_FALSE(windowCalls[0].pane);
    EXPECT_TRUE(windowCalls[0].hadTransport);
    EXPECT_EQ(windowCalls[1].pane, "accounts");
    EXPECT_FALSE(windowCalls[3].pane) << "a pane that is not a string is no pane";
    const auto records = log.records();
    EXPECT_TRUE(log.contains("I|Settings|Showing settings window, pane=default"));
    EXPECT_TRUE(log.contains("I|Settings|Showing settings window, pane=accounts"));

    EXPECT_EQ(settings.appVersion(), "2.1");
    EXPECT_EQ(settings.accounts().size(), 2u) << "an account list with a non-object is ignored";
    EXPECT_EQ(settings.browserProfiles().at("chrome").at(0).at("id"), "Default");
    EXPECT_EQ(settings.browsers().size(), 1u);
    EXPECT_EQ(*settings.defaultBrowser().at("id").string(), "firefox");
}

TEST_F(DispatcherTest, AccountsUpdateReplacesTheListEvenWhenIllShaped)
{
    send(R"({"id":1,"method":"accounts.update","params":{"accounts":[{"id":"a"}],"browserProfiles":{"x":[]}}})");
    EXPECT_TRUE(log.contains("I|Accounts|Accounts updated: 1 account(s)"));
    log.clear();
    EXPECT_EQ(send(R"({"id":2,"method":"accounts.update","params":{"accounts":[{"id":"a"},5]}})"),
              std::vector<std::string>{R"({"id":2,"result":"ok"})"});
    EXPECT_EQ(log.records(), std::vector<std::string>{"I|Accounts|Accounts updated: 0 account(s)"});
    EXPECT_TRUE(settings.accounts().empty());
    EXPECT_TRUE(settings.browserProfiles().contains("x")) << "no browserProfiles leaves the stored ones alone";
}

TEST_F(DispatcherTest, SettingsUpdateLogsBeforeLookingAtParameters)
{
    send(R"({"id":1,"method":"settings.update","params":"junk"})");
    EXPECT_EQ(log.records(), std::vector<std::string>{"I|Settings|Settings updated"});
}

TEST_F(DispatcherTest, FocusFilterMethodsAnswerFromALaterTask)
{
    auto request = RPCRequest::decode(std::string_view(R"({"id":14,"method":"focusFilter.get"})"));
    dispatcher(*request);
    EXPECT_TRUE(io.lines.empty()) << "no answer before the posted task runs";
    io.queue.runAll();
    EXPECT_EQ(io.take(), std::vector<std::string>{
                             R"({"id":14,"result":{"activeAccountIds":[],"disableExcludedAccounts":false,"isFilterActive":false}})"});

    focus.setup(io.transport);
    io.take();
    EXPECT_EQ(send(R"({"id":15,"method":"focusFilter.set","params":{"activeAccountIds":["b","a"],"disableExcludedAccounts":true}})"),
              (std::vector<std::string>{
                  R"({"method":"focusFilter.changed","params":{"activeAccountIds":["b","a"],"disableExcludedAccounts":true,"isFilterActive":true}})",
                  R"({"id":15,"result":"ok"})"}))
        << "the change is applied (and reported, once a transport is held) before the answer";
}

TEST_F(DispatcherTest, FocusFilterSetReadsLeniently)
{
    focus.applyFilter({"x"}, true);
    send(R"({"id":1,"method":"focusFilter.set"})");
    EXPECT_EQ(focus.activeAccountIds(), std::vector<std::string>{"x"}) << "without params nothing changes";

    send(R"({"id":2,"method":"focusFilter.set","params":{"activeAccountIds":["a",1],"disableExcludedAccounts":1}})");
    EXPECT_TRUE(focus.activeAccountIds().empty());
    EXPECT_FALSE(focus.disableExcludedAccounts());
    EXPECT_FALSE(focus.isFilterActive());
}

TEST_F(DispatcherTest, VerificationCodeWithoutAnObjectStillReachesTheTrayAndClearsTheCode)
{
    const char* code = R"({"id":1,"method":"tray.verificationCode","params":{"code":"123456","messageId":"m",)"
                       R"("threadId":"t","accountId":"a"}})";
    send(code);
    ASSERT_TRUE(tray.currentVerificationCode());
    EXPECT_EQ(send(R"({"id":2,"method":"tray.verificationCode","params":"junk"})"),
              std::vector<std::string>{R"({"id":2,"result":"ok"})"});
    EXPECT_FALSE(tray.currentVerificationCode()) << "params that are not an object reach the tray as none";
    send(code);
    send(R"({"id":3,"method":"tray.verificationCode"})");
    EXPECT_FALSE(tray.currentVerificationCode()) << "no params at all: none as well";
}
