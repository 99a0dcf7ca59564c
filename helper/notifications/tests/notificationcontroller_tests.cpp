// The mail notification controller against the fake notification center: sender names, banner
// content, presentation, action payloads, malformed batches and the remembered ids.

#include <gtest/gtest.h>

#include <QClipboard>
#include <tuple>
#include <QGuiApplication>

#include "helpertestsupport.h"
#include "notificationtestsupport.h"
#include "tarnwick/extensionkit/focusfilterfile.h"
#include "tarnwick/helper/notificationcontroller.h"
#include "tarnwick/notifications/fakenotificationcenter.h"
#include "tarnwick/rpc/json.h"
#include "tarnwick/testing/tempdir.h"

using namespace tarnwick;
using namespace tarnwick::test;

namespace {

class MailNotificationTest : public ::testing::Test {
protected:
    Object batch(std::vector<Object> messages, Object levels = {})
    {
        Array list;
        for (auto& m : messages)
            list.emplace_back(std::move(m));
        Object params{{"accountId", Value("acct")}, {"messages", Value(std::move(list))}};
        if (!levels.empty())
            params.emplace("notifications", Value(std::move(levels)));
        return params;
    }
    static Object message(std::string id, std::string category = "primary")
    {
        return Object{{"id", Value(std::move(id))}, {"category", Value(std::move(category))},
                      {"from", Value("Ada <ada@example.com>")}, {"subject", Value("Hello")}};
    }
    std::vector<std::string> postedIds() const
    {
        std::vector<std::string> ids;
        for (const auto& r : center.added)
            ids.push_back(r.identifier);
        return ids;
    }

    LogCapture log;
    InstalledProcess process;
    FocusFixture focusFixture;
    FakeNotificationCenter center;
    ManualMainQueue mainQueue;
    RecordingTransport io;
    NotificationController controller{{&center, &mainQueue}, focusFixture.focus};
};

} // namespace

TEST(ParseSenderName, TakesTheDisplayNameBeforeTheAddress)
{
    struct Case {
        const char* from;
        const char* expected;
    };
    for (const Case& c : {
             Case{"", "Unknown"},
             Case{"   ", ""},
             Case{"\"Ada Lovelace\" <ada@example.com>", "Ada Lovelace"},
             Case{"Ada Lovelace <ada@example.com>", "Ada Lovelace"},
             Case{"\"Lovelace, Ada\"   <ada@example.com>", "Lovelace, Ada"},
             Case{"ada@example.com", "ada@example.com"},
             Case{"  bob@example.com \n", "bob@example.com"},
             Case{"<ada@example.com>", "<ada@example.com>"},
             Case{"\"Quoted Only\"", "\"Quoted Only\""},
             Case{"Ada \"The Countess\" <ada@example.com>", "Ada \"The Countess\" <ada@example.com>"},
             Case{"Zoë Åström <z@example.se>", "Zoë Åström"},
         }) {
        EXPECT_EQ(NotificationController::parseSenderName(c.from), c.expected) << "from: " << c.from;
    }
}

TEST_F(MailNotificationTest, ContentFollowsTheMessage)
{
    struct Case {
        const char* name;
        Object message;
        std::string level;
        std::string title, subtitle, body, category, thread;
        Object userInfo;
        bool sound;
    };
    const std::vector<Case> cases = {
        {"full", {{"id", Value("m1")}, {"threadId", Value("t1")}, {"category", Value("social")},
                  {"from", Value("\"Ada\" <a@x>")}, {"subject", Value("Lunch?")}, {"snippet", Value("At noon")}},
         "loud", "Ada", "Lunch?", "At noon", "tarnwick.message", "tarnwick.category.social",
         {{"accountId", Value("acct")}, {"level", Value("loud")}, {"messageId", Value("t1")}}, true},
        {"empty snippet", {{"id", Value("m2")}, {"subject", Value("Only this")}, {"snippet", Value("")}},
         "silent", "Unknown", "", "Only this", "tarnwick.message", "tarnwick.category.primary",
         {{"accountId", Value("acct")}, {"level", Value("silent")}, {"messageId", Value("m2")}}, false},
        {"no subject, odd kinds", {{"id", Value("m3")}, {"threadId", Value(7)}, {"category", Value("SOCIAL")},
                                   {"snippet", Value("text")}, {"verificationCode", Value(123456)}},
         "whatever", "Unknown", "(no subject)", "text", "tarnwick.message", "tarnwick.category.social",
         {{"accountId", Value("acct")}, {"level", Value("whatever")}, {"messageId", Value("m3")}}, false},
        {"verification code", {{"id", Value("m4")}, {"category", Value("spam")}, {"subject", Value("Code")},
                               {"verificationCode", Value("123456")}},
         "loud", "Unknown", "", "Code", "tarnwick.message.verification", "tarnwick.category.primary",
         {{"accountId", Value("acct")}, {"level", Value("loud")}, {"messageId", Value("m4")},
          {"verificationCode", Value("123456")}}, true},
        {"empty code, no ids", {{"verificationCode", Value("")}, {"subject", Value("S")}},
         "loud", "Unknown", "", "S", "tarnwick.message", "tarnwick.category.primary",
         {{"accountId", Value("acct")}, {"level", Value("loud")}, {"messageId", Value("")}}, true},
    };
    for (const auto& c : cases) {
        const NotificationContent content = controller.makeContent(c.message, "acct", c.level);
        EXPECT_EQ(content.title, c.title) << c.name;
        EXPECT_EQ(content.subtitle, c.subtitle) << c.name;
        EXPECT_EQ(content.body, c.body) << c.name;
        EXPECT_EQ(content.categoryIdentifier, c.category) << c.name;
        EXPECT_EQ(content.threadIdentifier, c.thread) << c.name;
        EXPECT_EQ(content.userInfo, c.userInfo) << c.name << ": " << *json::toString(Value(content.userInfo));
        EXPECT_EQ(content.sound, c.sound) << c.name;
        ASSERT_EQ(content.attachments.size(), 1u) << c.name;
        EXPECT_EQ(content.attachments.front().identifier, "category." + c.thread.substr(18)) << c.name;
    }
}

TEST_F(MailNotificationTest, ForegroundPresentationFollowsTheLevel)
{
    const auto both = PresentationOption::Banner | PresentationOption::Sound;
    struct Case {
        const char* name;
        Object userInfo;
        PresentationOption expected;
    };
    for (const Case& c : {Case{"loud", {{"level", Value("loud")}}, both}, Case{"missing", {}, both},
                          Case{"not a string", {{"level", Value(1)}}, both},
                          Case{"silent", {{"level", Value("silent")}}, PresentationOption::Banner},
                          Case{"unknown", {{"level", Value("LOUD")}}, PresentationOption::Banner}}) {
        NotificationContent content;
        content.userInfo = c.userInfo;
        EXPECT_EQ(controller.foregroundOptions(content), c.expected) << c.name;
    }
}

TEST_F(MailNotificationTest, ActionsBecomeEventsAndCopyCodeFillsTheClipboard)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    const Object info{{"accountId", Value("acct")}, {"messageId", Value("t1")}, {"verificationCode", Value("987654")}};
    struct Case {
        const char* action;
        Object userInfo;
        std::optional<std::string> event;
        std::string clipboard;
    };
    const std::vector<Case> cases = {
        {"tarnwick.copyCode", info,
         R"({"method":"notify.action","params":{"accountId":"acct","action":"copyCode","code":"987654","messageId":"t1"}})",
         "987654"},
        {"tarnwick.copyCode", {{"accountId", Value("acct")}, {"verificationCode", Value(5)}},
         R"({"method":"notify.action","params":{"accountId":"acct","action":"copyCode","code":"","messageId":""}})",
         "untouched"},
        {"tarnwick.archive", info, R"({"method":"notify.action","params":{"accountId":"acct","action":"archive","messageId":"t1"}})", "untouched"},
        {"tarnwick.markRead", info, R"({"method":"notify.action","params":{"accountId":"acct","action":"markRead","messageId":"t1"}})", "untouched"},
        {"tarnwick.trash", {}, R"({"method":"notify.action","params":{"accountId":"","action":"trash","messageId":""}})", "untouched"},
        {"default", info, R"({"method":"notify.click","params":{"accountId":"acct","messageId":"t1"}})", "untouched"},
        {"dismiss", info, std::nullopt, "untouched"},
        {"tarnwick.unknown", info, std::nullopt, "untouched"},
    };
    for (const auto& c : cases) {
        clipboard->setText(QStringLiteral("untouched"));
        const auto event = controller.makeActionPayload(c.action, c.userInfo);
        ASSERT_EQ(event.has_value(), c.event.has_value()) << c.action;
        if (event) {
            const Value message(Object{{"method", Value(event->first)}, {"params", Value(event->second)}});
            EXPECT_EQ(json::toString(message), c.event) << c.action;
        }
        EXPECT_EQ(clipboard->text().toStdString(), c.clipboard) << c.action;
    }
}

TEST_F(MailNotificationTest, MalformedBatchesAreDroppedSilently)
{
    const Object good = message("m1");
    struct Case {
        const char* name;
        Object params;
    };
    for (const Case& c : {
             Case{"empty", {}},
             Case{"account not a string", {{"accountId", Value(1)}, {"messages", Value(Array{Value(good)})}}},
             Case{"no messages", {{"accountId", Value("acct")}}},
             Case{"messages not a list", {{"accountId", Value("acct")}, {"messages", Value(good)}}},
             Case{"a message not an object", {{"accountId", Value("acct")}, {"messages", Value(Array{Value(good), Value("m2")})}}},
         }) {
        controller.dispatch(io.transport, c.params);
        EXPECT_TRUE(center.added.empty()) << c.name;
        EXPECT_TRUE(controller.dispatchedIds().empty()) << c.name;
    }
    EXPECT_TRUE(log.records().empty());

    // Messages without a string id are skipped and not counted; levels that are not all strings
    // count as none, so every category is loud.
    Object noId = message("x");
    noId.erase("id");
    Object numericId = message("y");
    numericId["id"] = Value(3);
    controller.dispatch(io.transport, batch({noId, numericId, message("m1", "social")},
                                            {{"social", Value("off")}, {"primary", Value(1)}}));
    EXPECT_EQ(postedIds(), std::vector<std::string>{"tarnwick.m1"});
    EXPECT_TRUE(log.records().empty()) << "nothing held back";
}

// The warning and the untouched server: notification_process_tests and notificationcontrollerbase_tests.
TEST_F(MailNotificationTest, WithoutIdentityNothingIsRemembered)
{
    BundleIdentity::fakeCurrent(std::nullopt);
    controller.dispatch(io.transport, batch({message("m1")}));
    EXPECT_TRUE(controller.dispatchedIds().empty());
    EXPECT_TRUE(process.files().empty()) << "no picture is made for a banner that is not shown";
}

TEST_F(MailNotificationTest, KeepsTheThousandMostRecentlyRecordedIds)
{
    // Held back, so nothing is drawn or posted: only the remembering is exercised.
    const Object quiet{{"primary", Value("off")}};
    std::vector<Object> first;
    for (int i = 0; i < 1001; ++i)
        first.push_back(message("m" + std::to_string(i)));
    controller.dispatch(io.transport, batch(first, quiet));
    EXPECT_EQ(controller.dispatchedIds().size(), 1000u);
    EXPECT_FALSE(controller.dispatchedIds().contains("m0")) << "the oldest goes";
    EXPECT_TRUE(controller.dispatchedIds().contains("m1000"));

    // One new id per batch: each time the newest stays and the oldest goes, so a banner shown a
    // moment ago is never shown again.
    for (int i = 0; i < 300; ++i) {
        const std::string id = "n" + std::to_string(i);
        controller.dispatch(io.transport, batch({message(id)}, quiet));
        ASSERT_TRUE(controller.dispatchedIds().contains(id)) << id;
        ASSERT_FALSE(controller.dispatchedIds().contains("m" + std::to_string(i + 1))) << i;
        ASSERT_EQ(controller.dispatchedIds().size(), 1000u);
    }
    controller.dispatch(io.transport, batch({message("n299")}));
    EXPECT_TRUE(center.added.empty()) << "a remembered id is not shown";
    controller.dispatch(io.transport, batch({message("m1")}));
    EXPECT_EQ(postedIds(), std::vector<std::string>{"tarnwick.m1"}) << "a forgotten one is";
}

TEST_F(MailNotificationTest, CategoriesAreRegisteredAtSetup)
{
    controller.prepare(io.transport);
    const std::set<NotificationCategory> expected{
        {"tarnwick.message",
         {{"tarnwick.archive", "Archive"}, {"tarnwick.markRead", "Mark Read"}, {"tarnwick.trash", "Delete", true}}},
        {"tarnwick.message.verification",
         {{"tarnwick.copyCode", "Copy Code"}, {"tarnwick.markRead", "Mark Read"}, {"tarnwick.archive", "Archive"}}},
    };
    EXPECT_EQ(center.categories, expected);
    EXPECT_EQ(controller.registeredCategories(), expected);
}

// While Do Not Disturb applies its saved filter, banners of the accounts it keeps on are the ones the
// desktop should still show.
TEST_F(MailNotificationTest, WhileDoNotDisturbAppliesItsFilterOnlyTheKeptAccountsBreakThrough)
{
    tarnwick::testing::TempDir home;
    focusFixture.paths.realHome = home.path();
    const std::filesystem::path folder = home / "Library" / "Application Support" / "Tarnwick";
    std::filesystem::create_directories(folder);
    ASSERT_FALSE(FocusFilterFile::write(folder / FocusFilterFile::kDoNotDisturbFileName, {{"kept"}, false}, 1.0));

    EXPECT_FALSE(controller.makeContent(message("m1"), "kept", "loud").breaksThroughDoNotDisturb)
        << "Do Not Disturb is off";
    focusFixture.focus.setDoNotDisturb(true);
    EXPECT_TRUE(controller.makeContent(message("m1"), "kept", "loud").breaksThroughDoNotDisturb);
    EXPECT_FALSE(controller.makeContent(message("m2"), "other", "loud").breaksThroughDoNotDisturb);
    focusFixture.focus.setDoNotDisturb(false);
    EXPECT_FALSE(controller.makeContent(message("m1"), "kept", "loud").breaksThroughDoNotDisturb);
}

// The helper's own notices go through the same notification service: clicking one is no click on a
// mail, and a mail banner's click still is.
TEST_F(MailNotificationTest, ResponsesToTheHelpersOwnNoticesSendNothing)
{
    controller.prepare(io.transport);
    center.answerAuthorization(true);
    mainQueue.runAll();
    NotificationContent notice;
    notice.userInfo = Object{{"key", Value("tarnwick-tray-host-missing")}};
    center.delivered["tarnwick-tray-host-missing"] = NotificationRequest{"tarnwick-tray-host-missing", notice};
    controller.dispatch(io.transport, batch({message("m1")}));
    log.clear();

    EXPECT_TRUE(center.respond("tarnwick-tray-host-missing", "default"));
    EXPECT_TRUE(center.respond("tarnwick.m1", "default"));
    mainQueue.runAll();
    io.queue.runAll();
    EXPECT_EQ(io.lines, std::vector<std::string>{R"({"method":"notify.click","params":{"accountId":"acct","messageId":"m1"}})"});
    EXPECT_EQ(log.records(), (std::vector<std::string>{
                                 "I|Notifications|Response received: action=default id=tarnwick-tray-host-missing; not a "
                                 "mail banner",
                                 "I|Notifications|Response received: action=default id=m1"}));
}

namespace {

// Do Not Disturb with a saved filter that keeps `kept` on.
class BreakthroughTest : public MailNotificationTest {
protected:
    void SetUp() override
    {
        focusFixture.paths.realHome = home.path();
        std::filesystem::create_directories(folder());
        keepDuringDoNotDisturb({"kept"});
        focusFixture.focus.setDoNotDisturb(true);
        log.clear();
    }
    std::filesystem::path folder() const { return home / "Library" / "Application Support" / "Tarnwick"; }
    void keepDuringDoNotDisturb(std::vector<std::string> ids)
    {
        ASSERT_FALSE(FocusFilterFile::write(folder() / FocusFilterFile::kDoNotDisturbFileName, {std::move(ids), false}, 1.0));
    }
    void dispatchFor(const std::string& account, std::vector<std::string> ids)
    {
        Array list;
        for (auto& id : ids)
            list.emplace_back(message(std::move(id)));
        controller.dispatch(io.transport, Object{{"accountId", Value(account)}, {"messages", Value(std::move(list))}});
    }
    std::vector<std::string> replacedIds() const
    {
        std::vector<std::string> ids;
        for (const auto& r : center.replaced)
            ids.push_back(r.identifier);
        return ids;
    }

    tarnwick::testing::TempDir home;
};

} // namespace

// Critical banners never time out on GNOME or Plasma: once Do Not Disturb is over they become
// ordinary ones in place, except those the user already answered or closed.
TEST_F(BreakthroughTest, WhenDoNotDisturbEndsTheCriticalBannersBecomeOrdinaryInPlace)
{
    dispatchFor("kept", {"m1", "m2", "m3"});
    ASSERT_EQ(center.added.size(), 3u);
    for (const auto& request : center.added)
        EXPECT_TRUE(request.content.breaksThroughDoNotDisturb && request.content.sound) << request.identifier;
    EXPECT_EQ(controller.breakthroughBanners(), (std::vector<std::string>{"tarnwick.m1", "tarnwick.m2", "tarnwick.m3"}));

    EXPECT_TRUE(center.respond("tarnwick.m2", NotificationResponse::dismissActionIdentifier));
    EXPECT_TRUE(center.respond("tarnwick.m3", "tarnwick.archive"));
    mainQueue.runAll();
    EXPECT_TRUE(center.replaced.empty()) << "nothing changes while Do Not Disturb lasts";
    log.clear();

    focusFixture.focus.setDoNotDisturb(false);
    ASSERT_EQ(replacedIds(), std::vector<std::string>{"tarnwick.m1"}) << "closed and answered banners stay gone";
    const NotificationContent& before = center.added[0].content;
    const NotificationContent& after = center.replaced[0].content;
    EXPECT_FALSE(after.breaksThroughDoNotDisturb);
    EXPECT_FALSE(after.sound) << "it rang when it came";
    EXPECT_EQ(std::tie(after.title, after.subtitle, after.body, after.categoryIdentifier, after.threadIdentifier, after.userInfo),
              std::tie(before.title, before.subtitle, before.body, before.categoryIdentifier, before.threadIdentifier,
                       before.userInfo));
    ASSERT_EQ(after.attachments.size(), 1u);
    ASSERT_EQ(before.attachments.size(), 1u);
    EXPECT_EQ(after.attachments[0].file, before.attachments[0].file) << "the category's one picture";
    EXPECT_EQ(after.attachments[0].identifier, "category.primary");
    EXPECT_TRUE(std::filesystem::exists(after.attachments[0].file));
    EXPECT_TRUE(controller.breakthroughBanners().empty());
    EXPECT_TRUE(log.contains("I|Notifications|1 banner(s) that got through Do Not Disturb now time out as usual"))
        << ::testing::PrintToString(log.records());

    // A later Do Not Disturb that ends finds nothing left to change.
    focusFixture.focus.setDoNotDisturb(true);
    focusFixture.focus.setDoNotDisturb(false);
    EXPECT_EQ(center.replaced.size(), 1u);
}

// Plasma stacks critical banners and keeps every one: only the newest few stay critical.
TEST_F(BreakthroughTest, AtMostThreeStayCriticalAndTheOldestGivesWay)
{
    dispatchFor("kept", {"m1", "m2", "m3", "m4"});
    dispatchFor("kept", {"m5"});
    EXPECT_EQ(center.added.size(), 5u + 2u) << "five banners and two replacements";
    EXPECT_EQ(replacedIds(), (std::vector<std::string>{"tarnwick.m1", "tarnwick.m2"}));
    EXPECT_EQ(controller.breakthroughBanners(), (std::vector<std::string>{"tarnwick.m3", "tarnwick.m4", "tarnwick.m5"}));
    EXPECT_EQ(log.records(), std::vector<std::string>(2, "I|Notifications|More than 3 banners got through Do Not "
                                                         "Disturb; the oldest now times out as usual"));

    // The user changes which accounts Do Not Disturb keeps, while it lasts: "kept" is no longer let through.
    keepDuringDoNotDisturb({"someone-else"});
    focusFixture.focus.loadPersistedFocusFilter();
    EXPECT_EQ(replacedIds(), (std::vector<std::string>{"tarnwick.m1", "tarnwick.m2", "tarnwick.m3", "tarnwick.m4",
                                                        "tarnwick.m5"}));
    EXPECT_TRUE(controller.breakthroughBanners().empty());
}

TEST_F(BreakthroughTest, ClearAllLeavesNothingToChangeLater)
{
    dispatchFor("kept", {"m1"});
    EXPECT_EQ(controller.breakthroughBanners(), std::vector<std::string>{"tarnwick.m1"});
    controller.clearAll();
    EXPECT_TRUE(controller.breakthroughBanners().empty());
}
