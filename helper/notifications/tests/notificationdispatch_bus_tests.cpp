// Mail banners through the real freedesktop adapter to a notification server on the test's private
// session bus: the exact Notify calls, what is held back or suppressed, and the user's responses.

#include <gtest/gtest.h>

#include <QClipboard>
#include <QDBusConnection>
#include <QGuiApplication>
#include <QUrl>
#include <tuple>

#include "helpertestsupport.h"
#include "tarnwick/extensionkit/focusfilterfile.h"
#include "tarnwick/testing/tempdir.h"
#include "notificationtestsupport.h"
#include "tarnwick/helper/notificationcontroller.h"
#include "tarnwick/notifications/freedesktopnotificationcenter.h"
#include "testnotificationserver.h"

using namespace tarnwick;
using namespace tarnwick::test;
using tarnwick::testing::TestNotificationServer;
namespace fs = std::filesystem;

namespace {

const QStringList kMessageActions{"default", "Open", "tarnwick.archive", "Archive", "tarnwick.markRead", "Mark Read",
                                  "tarnwick.trash", "Delete"};
const QStringList kVerificationActions{"default", "Open", "tarnwick.copyCode", "Copy Code", "tarnwick.markRead",
                                       "Mark Read", "tarnwick.archive", "Archive"};

Object parseObject(const char* json)
{
    auto value = json::parse(json);
    EXPECT_TRUE(value && value->object()) << json;
    return value && value->object() ? *value->object() : Object{};
}

class MailBannerBusTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "run inside scripts/with-session.sh"; }

    void dispatch(const char* json) { controller.dispatch(io.transport, parseObject(json)); }

    // Waits until the server has seen `count` Notify calls in all.
    bool notified(std::size_t count)
    {
        return TestNotificationServer::waitUntil([&] { return server.notifyCalls().size() >= count; }) &&
               server.notifyCalls().size() == count;
    }

    // Proves that nothing more was posted: a later banner arrives right after the earlier calls,
    // since the adapter's calls reach the server in order.
    void expectNothingPostedSince(std::size_t count)
    {
        const auto marker = "{\"accountId\":\"marker\",\"messages\":[{\"id\":\"marker" + std::to_string(count) + "\"}]}";
        controller.dispatch(io.transport, parseObject(marker.c_str()));
        ASSERT_TRUE(TestNotificationServer::waitUntil([&] { return server.notifyCalls().size() > count; }));
        EXPECT_EQ(server.notifyCalls().size(), count + 1);
        EXPECT_EQ(server.notifyCalls().back().summary, "Unknown") << "the marker is the next call";
    }

    // Waits for the responses the adapter handed over and runs their main-queue work.
    void runResponses(std::size_t expected)
    {
        ASSERT_TRUE(TestNotificationServer::waitUntil([&] { return mainQueue.pending() >= expected; }));
        mainQueue.runAll();
    }

    uint idOf(std::size_t call) const { return server.notifyCalls().at(call).id; }

    static fs::path imageFile(const TestNotificationServer::NotifyCall& call)
    {
        return QUrl(call.hints.value(QStringLiteral("image-path")).toString()).toLocalFile().toStdString();
    }

    LogCapture log;
    InstalledProcess process;
    FocusFixture focusFixture;
    TestNotificationServer server;
    ManualMainQueue mainQueue;
    RecordingTransport io;
    FreedesktopNotificationCenter center{QDBusConnection::sessionBus(),
                                         {"Tarnwick", "com.fenmoorlab.tarnwick", "", "message-new-email", [] { return false; }}};
    NotificationController controller{{&center, &mainQueue}, focusFixture.focus};
};

} // namespace

TEST_F(MailBannerBusTest, NotifyCallsFollowLevelAndCategory)
{
    ASSERT_TRUE(server.start());
    dispatch(R"({"accountId":"acct","notifications":{"social":"silent","updates":"strange","forums":"loud"},"messages":[
        {"id":"m1","threadId":"t1","category":"primary","from":"\"Ada Lovelace\" <ada@example.com>",
         "subject":"Lunch?","snippet":"Noon at the <Bistro> & more"},
        {"id":"m2","category":"Social","from":"bob@example.com","subject":"Party"},
        {"id":"m3","category":"updates","subject":"Your code","verificationCode":"123456"},
        {"id":"m4","category":"forums"}]})");
    ASSERT_TRUE(notified(4));

    struct Expected {
        QString summary, body;
        QStringList actions;
        const char* category;
        bool sound;
    };
    const Expected expected[] = {
        {"Ada Lovelace", "<b>Lunch?</b>\nNoon at the &lt;Bistro&gt; &amp; more", kMessageActions, "primary", true},
        {"bob@example.com", "Party", kMessageActions, "social", false},
        {"Unknown", "Your code", kVerificationActions, "updates", false},
        {"Unknown", "(no subject)", kMessageActions, "forums", true},
    };
    for (std::size_t i = 0; i < 4; ++i) {
        const auto& call = server.notifyCalls()[i];
        const auto& want = expected[i];
        EXPECT_EQ(call.appName, "Tarnwick") << i;
        EXPECT_EQ(call.replacesId, 0u) << i;
        EXPECT_EQ(call.appIcon, "") << i;
        EXPECT_EQ(call.expireTimeout, -1) << i;
        EXPECT_EQ(call.summary, want.summary) << i;
        EXPECT_EQ(call.body, want.body) << i;
        EXPECT_EQ(call.actions, want.actions) << i;

        const fs::path image = imageFile(call);
        EXPECT_EQ(image.parent_path().parent_path(), process.tempDir()) << i;
        EXPECT_TRUE(isAttachmentName(image, want.category)) << image;
        EXPECT_EQ(fs::status(image).permissions(), fs::perms::owner_read | fs::perms::owner_write) << image;
        EXPECT_EQ(fs::status(image.parent_path()).permissions(), fs::perms::owner_all) << image;
        QVariantMap hints{{"desktop-entry", "com.fenmoorlab.tarnwick"},
                          {"image-path", QUrl::fromLocalFile(QString::fromStdString(image.string())).toString()},
                          {"x-tarnwick-thread", QStringLiteral("tarnwick.category.") + QLatin1String(want.category)}};
        if (want.sound)
            hints.insert("sound-name", "message-new-email");
        else
            hints.insert("suppress-sound", true);
        EXPECT_EQ(call.hints, hints) << i;
    }
    EXPECT_TRUE(log.records().empty()) << "nothing held back, nothing failed";
}

TEST_F(MailBannerBusTest, OneBannerPerMessageIdAndHeldBackLevelsAreLogged)
{
    ASSERT_TRUE(server.start());
    dispatch(R"({"accountId":"acct","messages":[{"id":"m1"}]})");
    dispatch(R"({"accountId":"acct","messages":[{"id":"m1"},{"id":"m2"}]})");
    ASSERT_TRUE(notified(2));
    EXPECT_EQ(server.notifyCalls()[1].summary, "Unknown");

    // Badge-level social mail: no banner, one line, and the ids are spent.
    dispatch(R"({"accountId":"acct","notifications":{"social":"badge"},"messages":[
        {"id":"s1","category":"social"},{"id":"s2","category":"social"},{"id":"s3","category":"social"}]})");
    EXPECT_EQ(log.records(),
              std::vector<std::string>{"I|Notifications|3 of 3 banner(s) held back by their category level"});
    dispatch(R"({"accountId":"acct","notifications":{"social":"loud"},"messages":[
        {"id":"s1","category":"social"},{"id":"s2","category":"social"},{"id":"s3","category":"social"}]})");
    expectNothingPostedSince(2);

    log.clear();
    dispatch(R"({"accountId":"acct","notifications":{"forums":"off","updates":"badge"},"messages":[
        {"id":"x1"},{"id":"x2","category":"forums"},{"id":"x3","category":"updates"},{"id":"m1"},{"id":"x4"}]})");
    ASSERT_TRUE(notified(5));
    EXPECT_EQ(log.records(),
              std::vector<std::string>{"I|Notifications|2 of 5 banner(s) held back by their category level"})
        << "the batch size counts every message object, the already-seen one included";
}

TEST_F(MailBannerBusTest, FocusSuppressesMutedAccountsWithoutSpendingTheirIds)
{
    ASSERT_TRUE(server.start());
    const char* batch = R"({"accountId":"acct","messages":[{"id":"f1"},{"id":"f2"}]})";
    focusFixture.focus.applyFilter({"other", "marker"}, false);
    log.clear();
    dispatch(batch);
    EXPECT_EQ(log.records(), std::vector<std::string>{"I|Focus|2 banner(s) suppressed; acct is muted by a Focus"});
    EXPECT_TRUE(controller.dispatchedIds().empty());
    expectNothingPostedSince(0);

    focusFixture.focus.applyFilter({"acct"}, true);
    dispatch(batch);
    ASSERT_TRUE(notified(3)) << "an account the Focus keeps on is shown";

    focusFixture.focus.applyFilter({}, false);
    dispatch(R"({"accountId":"acct","messages":[{"id":"f1"},{"id":"f2"},{"id":"f3"}]})");
    ASSERT_TRUE(notified(4)) << "only the id never considered is new";
}

// The events the responses become: notification_process_tests (on standard output) and
// notificationcontroller_tests (every action's payload).
TEST_F(MailBannerBusTest, ResponsesReachTheControllerAndCopyCodeFillsTheClipboard)
{
    ASSERT_TRUE(server.start());
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    dispatch(R"({"accountId":"acct","messages":[
        {"id":"m1","threadId":"t9","subject":"Sign in","verificationCode":"123456"},
        {"id":"m2","threadId":"t2"},{"id":"m3"},{"id":"m4","threadId":"t4"}]})");
    ASSERT_TRUE(notified(4));
    mainQueue.runAll(); // the permission answer, which came before the first Notify

    server.invokeAction(idOf(0), QStringLiteral("tarnwick.copyCode"));
    runResponses(1);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("123456"));

    server.invokeAction(idOf(1), QStringLiteral("default"));
    server.invokeAction(idOf(3), QStringLiteral("tarnwick.trash"));
    server.closeNotification(idOf(2), 2);
    runResponses(3);
    EXPECT_EQ(log.records(), (std::vector<std::string>{
                                 "I|Notifications|Response received: action=tarnwick.copyCode id=t9",
                                 "I|Notifications|Response received: action=default id=t2",
                                 "I|Notifications|Response received: action=tarnwick.trash id=t4",
                                 "I|Notifications|Response received: action=dismiss id=m3",
                                 "I|Notifications|No event for action=dismiss id=m3; response dropped"}))
        << "the closes that follow an action are not dismissals";
    EXPECT_EQ(process.files(), std::vector<std::string>{"primary.png"})
        << "the one picture stays for the next banners of its category";
}

TEST_F(MailBannerBusTest, ClearAllClosesWhatIsShownAndLaterBannersKeepTheirButtons)
{
    ASSERT_TRUE(server.start());
    dispatch(R"({"accountId":"acct","messages":[{"id":"c1"},{"id":"c2"}]})");
    ASSERT_TRUE(notified(2));
    EXPECT_EQ(process.files(), std::vector<std::string>{"primary.png"}) << "one picture for the category";
    EXPECT_EQ(imageFile(server.notifyCalls()[0]), imageFile(server.notifyCalls()[1]));

    controller.clearAll();
    ASSERT_TRUE(TestNotificationServer::waitUntil([&] { return server.closeCalls().size() == 2; }));
    EXPECT_EQ(std::set<uint>(server.closeCalls().begin(), server.closeCalls().end()), (std::set<uint>{idOf(0), idOf(1)}));
    EXPECT_TRUE(server.open().empty());

    dispatch(R"({"accountId":"acct","messages":[{"id":"c3","verificationCode":"9"},{"id":"c1"}]})");
    ASSERT_TRUE(notified(3)) << "the ids were not forgotten by clearAll";
    EXPECT_EQ(server.notifyCalls().back().actions, kVerificationActions);
}

TEST_F(MailBannerBusTest, WithoutAServerErrorsAreLoggedAndNothingBreaks)
{
    controller.prepare(io.transport);
    ASSERT_TRUE(TestNotificationServer::waitUntil([&] { return mainQueue.pending() > 0; }));
    mainQueue.runAll();
    dispatch(R"({"accountId":"acct","messages":[{"id":"n1","category":"promotions"}]})");
    ASSERT_TRUE(TestNotificationServer::waitUntil([&] { return log.records().size() >= 2; }));
    const auto records = log.records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0],
              "E|Notifications|Auth error: The name org.freedesktop.Notifications was not provided by any .service files");
    EXPECT_EQ(records[1].rfind("E|Notifications|Failed to dispatch: ", 0), 0u) << records[1];
    EXPECT_EQ(process.files(), std::vector<std::string>{"promotions.png"}) << "no file of the banner's own is left";
}

// Banners that got through Do Not Disturb go out critical; when it ends they become ordinary in
// place (same id, normal urgency, the server's own timeout, no second sound), except the ones the user
// already closed.
TEST_F(MailBannerBusTest, CriticalBannersBecomeOrdinaryInPlaceWhenDoNotDisturbEnds)
{
    ASSERT_TRUE(server.start());
    tarnwick::testing::TempDir home;
    focusFixture.paths.realHome = home.path();
    const fs::path folder = home / "Library" / "Application Support" / "Tarnwick";
    fs::create_directories(folder);
    ASSERT_FALSE(FocusFilterFile::write(folder / FocusFilterFile::kDoNotDisturbFileName, {{"kept"}, false}, 1.0));
    focusFixture.focus.setDoNotDisturb(true);

    dispatch(R"({"accountId":"kept","messages":[
        {"id":"m1","from":"Ada <ada@example.com>","subject":"Tonight","snippet":"Are we on?"},{"id":"m2"}]})");
    ASSERT_TRUE(notified(2));
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(server.notifyCalls()[i].hints.value("urgency").toInt(), 2) << i;
        EXPECT_EQ(server.notifyCalls()[i].hints.value("sound-name").toString(), "message-new-email") << i;
    }
    server.closeNotification(idOf(1), 2);
    ASSERT_TRUE(TestNotificationServer::waitUntil([&] {
        return controller.breakthroughBanners() == std::vector<std::string>{"tarnwick.m1"} &&
               center.shownNotifications().size() == 1;
    })) << "the client has heard of both banners and of the user closing one";

    focusFixture.focus.setDoNotDisturb(false);
    ASSERT_TRUE(notified(3));
    const auto& before = server.notifyCalls()[0];
    const auto& after = server.notifyCalls()[2];
    EXPECT_EQ(after.replacesId, idOf(0));
    EXPECT_EQ(after.id, idOf(0)) << "the same notification, changed in place";
    EXPECT_EQ(after.expireTimeout, -1);
    EXPECT_EQ(std::tie(after.appName, after.summary, after.body, after.actions),
              std::tie(before.appName, before.summary, before.body, before.actions));
    QVariantMap expectedHints = before.hints;
    expectedHints.remove("sound-name");
    expectedHints.insert("suppress-sound", true);
    expectedHints.insert("urgency", QVariant::fromValue(uchar(1)));
    EXPECT_EQ(after.hints, expectedHints) << "the same picture, the category's one";
    EXPECT_EQ(after.hints.value("urgency").toInt(), 1);
    EXPECT_TRUE(fs::exists(imageFile(after)));
    EXPECT_EQ(server.open(), std::set<uint>{idOf(0)}) << [&] {
        std::string calls;
        for (const auto& c : server.notifyCalls())
            calls += std::to_string(c.replacesId) + "->" + std::to_string(c.id) + " " + c.summary.toStdString() + "; ";
        return calls;
    }();
    expectNothingPostedSince(3);
}
