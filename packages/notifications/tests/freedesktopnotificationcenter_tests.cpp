// The freedesktop adapter against a notification server on the test's private session bus.

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QUrl>
#include <fstream>

#include "tarnwick/notifications/freedesktopnotificationcenter.h"
#include "tarnwick/testing/tempdir.h"
#include "testnotificationserver.h"

using namespace tarnwick;
using tarnwick::testing::TestNotificationServer;
namespace fs = std::filesystem;

namespace {

struct RecordingDelegate : NotificationCenterDelegate {
    PresentationOption options = PresentationOption::Banner | PresentationOption::Sound;
    int willPresentCalls = 0;
    std::vector<NotificationResponse> responses;

    PresentationOption willPresent(const NotificationContent&) override
    {
        ++willPresentCalls;
        return options;
    }
    void didReceive(const NotificationResponse& response, std::function<void()> completion) override
    {
        responses.push_back(response);
        completion();
    }
};

const NotificationCategory kMessage{"tarnwick.message",
                                    {{"tarnwick.archive", "Archive"}, {"tarnwick.trash", "Delete", true}}};

class FreedesktopCenterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "run inside scripts/with-session.sh";
        center.setDelegate(&delegate);
        center.setCategories({kMessage});
    }

    bool startServer() { return server.start(); }

    // Adds a request and waits until the server has seen its Notify call; returns the server's id.
    uint post(NotificationRequest request)
    {
        const auto before = server.notifyCalls().size();
        std::optional<std::optional<std::string>> result;
        center.add(std::move(request), [&result](std::optional<std::string> error) { result = std::move(error); });
        EXPECT_TRUE(TestNotificationServer::waitUntil([&] { return result.has_value(); }));
        EXPECT_FALSE(result && *result) << (result && *result ? **result : "");
        EXPECT_EQ(server.notifyCalls().size(), before + 1);
        return server.notifyCalls().empty() ? 0 : server.notifyCalls().back().id;
    }

    fs::path attachmentFile(const std::string& name)
    {
        const auto path = tmp.path() / name;
        std::ofstream(path) << "png";
        return path;
    }

    static NotificationRequest request(std::string identifier, std::string subtitle = "Lunch?",
                                       std::string body = "Shall we meet at noon")
    {
        NotificationContent content;
        content.title = "Ada Lovelace";
        content.subtitle = std::move(subtitle);
        content.body = std::move(body);
        content.categoryIdentifier = "tarnwick.message";
        content.threadIdentifier = "tarnwick.category.primary";
        content.userInfo = Object{{"messageId", Value("t1")}};
        content.sound = true;
        return {std::move(identifier), std::move(content)};
    }

    tarnwick::testing::TempDir tmp;
    TestNotificationServer server;
    RecordingDelegate delegate;
    FreedesktopNotificationCenter center{QDBusConnection::sessionBus(),
                                         {"Tarnwick", "com.fenmoorlab.tarnwick", "", "message-new-email",
                                          [] { return false; }}};
};

} // namespace

TEST_F(FreedesktopCenterTest, WithoutAServerAuthorizationAndPostingReportErrors)
{
    std::optional<std::pair<bool, std::optional<std::string>>> outcome;
    center.requestAuthorization([&](bool granted, std::optional<std::string> error) { outcome.emplace(granted, error); });
    ASSERT_TRUE(TestNotificationServer::waitUntil([&] { return outcome.has_value(); }));
    EXPECT_FALSE(outcome->first);
    ASSERT_TRUE(outcome->second);
    EXPECT_NE(outcome->second->find("org.freedesktop.Notifications"), std::string::npos) << *outcome->second;

    auto req = request("tarnwick.m1");
    const auto file = attachmentFile("a.png");
    req.content.attachments.push_back({"category.primary", file, "image/png"});
    std::optional<std::optional<std::string>> added;
    center.add(req, [&](std::optional<std::string> error) { added = std::move(error); });
    ASSERT_TRUE(TestNotificationServer::waitUntil([&] { return added.has_value(); }));
    EXPECT_TRUE(*added) << "a failed post is reported";
    EXPECT_FALSE(fs::exists(file)) << "the attachment of a failed post is not left behind";
}

TEST(FreedesktopCenterWithoutBus, EverythingFailsPromptlyAndLeavesNoFiles)
{
    tarnwick::testing::TempDir tmp;
    const auto bus = QDBusConnection::connectToBus(QStringLiteral("unix:path=") + QString::fromStdString((tmp.path() / "no-bus").string()),
                                                   QStringLiteral("tarnwick-no-bus"));
    ASSERT_FALSE(bus.isConnected());
    FreedesktopNotificationCenter center(bus, {"Tarnwick", "com.fenmoorlab.tarnwick", "", "message-new-email", [] { return false; }});
    std::optional<std::pair<bool, std::optional<std::string>>> outcome;
    center.requestAuthorization([&](bool granted, std::optional<std::string> error) { outcome.emplace(granted, error); });
    ASSERT_TRUE(TestNotificationServer::waitUntil([&] { return outcome.has_value(); }));
    EXPECT_FALSE(outcome->first);
    EXPECT_TRUE(outcome->second);

    NotificationRequest request{"tarnwick.x", {}};
    const auto file = tmp.path() / "x.png";
    std::ofstream(file) << "png";
    request.content.attachments.push_back({"category.primary", file, "image/png"});
    std::optional<std::optional<std::string>> added;
    center.add(request, [&](std::optional<std::string> error) { added = std::move(error); });
    ASSERT_TRUE(TestNotificationServer::waitUntil([&] { return added.has_value(); }));
    EXPECT_TRUE(*added);
    EXPECT_FALSE(fs::exists(file));
    QDBusConnection::disconnectFromBus(QStringLiteral("tarnwick-no-bus"));
}

TEST_F(FreedesktopCenterTest, AuthorizationIsTheServerAnsweringGetCapabilities)
{
    struct Case {
        const char* name;
        QString errorName;
        bool granted;
        bool error;
    };
    for (const Case& c : {Case{"answered", {}, true, false},
                          Case{"access denied", QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"), false, false},
                          Case{"failed", QStringLiteral("org.freedesktop.DBus.Error.Failed"), false, true}}) {
        TestNotificationServer local;
        if (!c.errorName.isEmpty())
            local.failGetCapabilities(c.errorName, QStringLiteral("not today"));
        ASSERT_TRUE(local.start()) << c.name;
        std::optional<std::pair<bool, std::optional<std::string>>> outcome;
        center.requestAuthorization([&](bool granted, std::optional<std::string> error) { outcome.emplace(granted, error); });
        ASSERT_TRUE(TestNotificationServer::waitUntil([&] { return outcome.has_value(); })) << c.name;
        EXPECT_EQ(outcome->first, c.granted) << c.name;
        EXPECT_EQ(outcome->second.has_value(), c.error) << c.name;
        if (c.error) {
            EXPECT_EQ(*outcome->second, "not today");
        }
        EXPECT_EQ(local.capabilitiesCalls(), 1) << c.name;
    }
}

TEST_F(FreedesktopCenterTest, NotifyCarriesTitleJoinedBodyActionsAndHints)
{
    // Without "body-markup" the text goes as it is; with it, it is escaped and the subtitle is bold.
    struct Case {
        QStringList capabilities;
        QString expectedBody;
    };
    for (const Case& c : {Case{{QStringLiteral("actions"), QStringLiteral("body")},
                               QStringLiteral("Fish & <chips>\nShall we meet at noon")},
                          Case{{QStringLiteral("actions"), QStringLiteral("body"), QStringLiteral("body-markup")},
                               QStringLiteral("<b>Fish &amp; &lt;chips&gt;</b>\nShall we meet at noon")}}) {
        TestNotificationServer local(c.capabilities);
        ASSERT_TRUE(local.start());
        FreedesktopNotificationCenter fresh(QDBusConnection::sessionBus(),
                                            {"Tarnwick", "com.fenmoorlab.tarnwick", "", "message-new-email", [] { return false; }});
        fresh.setCategories({kMessage});
        auto req = request("tarnwick.m1", "Fish & <chips>");
        const auto file = attachmentFile("pic.png");
        req.content.attachments.push_back({"category.primary", file, "image/png"});
        std::optional<std::optional<std::string>> added;
        fresh.add(req, [&](std::optional<std::string> error) { added = std::move(error); });
        ASSERT_TRUE(TestNotificationServer::waitUntil([&] { return added.has_value(); }));
        EXPECT_FALSE(*added);
        EXPECT_EQ(local.capabilitiesCalls(), 1) << "the post waited for the capabilities";
        ASSERT_EQ(local.notifyCalls().size(), 1u);
        const auto& call = local.notifyCalls().front();
        EXPECT_EQ(call.appName, "Tarnwick");
        EXPECT_EQ(call.replacesId, 0u);
        EXPECT_EQ(call.appIcon, "");
        EXPECT_EQ(call.summary, "Ada Lovelace");
        EXPECT_EQ(call.body, c.expectedBody);
        EXPECT_EQ(call.actions, (QStringList{"default", "Open", "tarnwick.archive", "Archive", "tarnwick.trash", "Delete"}));
        EXPECT_EQ(call.expireTimeout, -1);
        const QVariantMap expectedHints{
            {QStringLiteral("desktop-entry"), QStringLiteral("com.fenmoorlab.tarnwick")},
            {QStringLiteral("image-path"), QUrl::fromLocalFile(QString::fromStdString(file.string())).toString()},
            {QStringLiteral("sound-name"), QStringLiteral("message-new-email")},
            {QStringLiteral("x-tarnwick-thread"), QStringLiteral("tarnwick.category.primary")}};
        EXPECT_EQ(call.hints, expectedHints);
        EXPECT_EQ(fresh.shownNotifications(), (std::map<std::uint32_t, std::string>{{call.id, "tarnwick.m1"}}));
    }
}

TEST_F(FreedesktopCenterTest, QuietContentSuppressesSoundAndUnknownCategoriesGetOnlyTheDefaultAction)
{
    ASSERT_TRUE(startServer());
    auto req = request("tarnwick.m2", "", "Only a subject");
    req.content.sound = false;
    req.content.categoryIdentifier = "tarnwick.unregistered";
    req.content.threadIdentifier.clear();
    post(req);
    const auto& call = server.notifyCalls().back();
    EXPECT_EQ(call.body, "Only a subject") << "no subtitle: the body alone";
    EXPECT_EQ(call.actions, (QStringList{"default", "Open"}));
    const QVariantMap expectedHints{{QStringLiteral("desktop-entry"), QStringLiteral("com.fenmoorlab.tarnwick")},
                                    {QStringLiteral("suppress-sound"), true}};
    EXPECT_EQ(call.hints, expectedHints);

    // Content meant to get through Do Not Disturb asks for the critical urgency, as a byte.
    req.identifier = "tarnwick.m3";
    req.content.breaksThroughDoNotDisturb = true;
    post(req);
    const QVariant urgency = server.notifyCalls().back().hints.value(QStringLiteral("urgency"));
    EXPECT_EQ(urgency.metaType(), QMetaType::fromType<uchar>());
    EXPECT_EQ(urgency.toInt(), 2);
}

TEST_F(FreedesktopCenterTest, WhileActiveWillPresentDecidesTheSound)
{
    ASSERT_TRUE(startServer());
    bool active = true;
    FreedesktopNotificationCenter foreground(QDBusConnection::sessionBus(),
                                             {"Tarnwick", "com.fenmoorlab.tarnwick", "", "message-new-email",
                                              [&active] { return active; }});
    foreground.setDelegate(&delegate);
    delegate.options = PresentationOption::Banner;
    std::optional<std::optional<std::string>> added;
    foreground.add(request("tarnwick.fg"), [&](std::optional<std::string> error) { added = std::move(error); });
    ASSERT_TRUE(TestNotificationServer::waitUntil([&] { return added.has_value(); }));
    EXPECT_EQ(delegate.willPresentCalls, 1);
    EXPECT_TRUE(server.notifyCalls().back().hints.contains("suppress-sound"));

    active = false;
    added.reset();
    foreground.add(request("tarnwick.bg"), [&](std::optional<std::string> error) { added = std::move(error); });
    ASSERT_TRUE(TestNotificationServer::waitUntil([&] { return added.has_value(); }));
    EXPECT_EQ(delegate.willPresentCalls, 1) << "asked only while the program is active";
    EXPECT_EQ(server.notifyCalls().back().hints.value("sound-name"), "message-new-email");
}

TEST_F(FreedesktopCenterTest, ActionsAndUserDismissalsBecomeResponses)
{
    ASSERT_TRUE(startServer());
    const uint clicked = post(request("tarnwick.a"));
    const uint archived = post(request("tarnwick.b"));
    const uint dismissed = post(request("tarnwick.c"));
    const uint expired = post(request("tarnwick.d"));

    server.invokeAction(clicked, "default");
    server.invokeAction(archived, "tarnwick.archive");
    server.closeNotification(dismissed, 2);
    server.closeNotification(expired, 1);
    ASSERT_TRUE(TestNotificationServer::waitUntil([&] { return center.shownNotifications().empty(); }));

    std::vector<std::pair<std::string, std::string>> seen;
    for (const auto& r : delegate.responses)
        seen.emplace_back(r.actionIdentifier, r.requestIdentifier);
    EXPECT_EQ(seen, (std::vector<std::pair<std::string, std::string>>{
                        {"default", "tarnwick.a"}, {"tarnwick.archive", "tarnwick.b"}, {"dismiss", "tarnwick.c"}}))
        << "the close after an action is no dismissal; expiry is no response";
    ASSERT_FALSE(delegate.responses.empty());
    EXPECT_EQ(delegate.responses.front().content.userInfo, (Object{{"messageId", Value("t1")}}));

    // Signals about ids we never posted (another program's notifications) are ignored.
    server.invokeAction(4242, "default");
    server.closeNotification(4243, 2);
    const uint marker = post(request("tarnwick.e"));
    server.closeNotification(marker, 2);
    ASSERT_TRUE(TestNotificationServer::waitUntil([&] { return delegate.responses.size() == 4; }));
    EXPECT_EQ(delegate.responses.back().requestIdentifier, "tarnwick.e");
}

TEST_F(FreedesktopCenterTest, SignalsThatOvertakeTheNotifyReplyAreNotLost)
{
    ASSERT_TRUE(startServer());
    server.actBeforeAnswering(QStringLiteral("tarnwick.archive"));
    auto req = request("tarnwick.quick");
    const auto file = attachmentFile("quick.png");
    req.content.attachments.push_back({"category.primary", file, "image/png"});
    post(req);
    ASSERT_EQ(delegate.responses.size(), 1u);
    EXPECT_EQ(delegate.responses.front().actionIdentifier, "tarnwick.archive");
    EXPECT_EQ(delegate.responses.front().requestIdentifier, "tarnwick.quick");
    EXPECT_TRUE(center.shownNotifications().empty()) << "the close that followed was applied too";
    EXPECT_FALSE(fs::exists(file));

    // Signals for ids nobody is waiting for are not kept around.
    server.closeNotification(4242, 2);
    const uint later = post(request("tarnwick.later"));
    EXPECT_NE(later, 4242u);
    EXPECT_EQ(delegate.responses.size(), 1u);
}

TEST_F(FreedesktopCenterTest, AttachmentFilesGoWhenTheirNotificationCloses)
{
    ASSERT_TRUE(startServer());
    std::vector<fs::path> files;
    std::vector<uint> ids;
    for (int i = 0; i < 4; ++i) {
        auto req = request("tarnwick.f" + std::to_string(i));
        files.push_back(attachmentFile("f" + std::to_string(i) + ".png"));
        req.content.attachments.push_back({"category.primary", files.back(), "image/png"});
        ids.push_back(post(req));
    }
    ASSERT_TRUE(fs::exists(files[0]));
    server.closeNotification(ids[0], 1);  // expired
    server.closeNotification(ids[1], 2);  // dismissed
    ASSERT_TRUE(TestNotificationServer::waitUntil([&] { return center.shownNotifications().size() == 2; }));
    EXPECT_FALSE(fs::exists(files[0]));
    EXPECT_FALSE(fs::exists(files[1]));

    center.removeDelivered({"tarnwick.f2"});
    EXPECT_FALSE(fs::exists(files[2])) << "withdrawn";
    EXPECT_TRUE(fs::exists(files[3])) << "still shown";
    center.removeAttachmentFiles();
    EXPECT_FALSE(fs::exists(files[3])) << "what is left goes at exit";
}

TEST_F(FreedesktopCenterTest, ActionsTheBannerNeverOfferedAreIgnored)
{
    ASSERT_TRUE(startServer());
    auto plain = request("tarnwick.plain");
    plain.content.categoryIdentifier = "tarnwick.unknown"; // offers only the default action
    const uint id = post(plain);
    // Forged by another program on the bus: the signal alone, no close.
    server.invokeAction(id, "tarnwick.trash", false);
    server.invokeAction(id, "made.up", false);
    const uint marker = post(request("tarnwick.marker"));
    server.invokeAction(marker, "tarnwick.trash", false);
    ASSERT_TRUE(TestNotificationServer::waitUntil([&] { return delegate.responses.size() == 1; }));
    EXPECT_EQ(delegate.responses.front().requestIdentifier, "tarnwick.marker")
        << "its category offers Delete; got " << delegate.responses.front().actionIdentifier;

    // The one it offered still counts, after the forged ones.
    server.invokeAction(id, "default", false);
    ASSERT_TRUE(TestNotificationServer::waitUntil([&] { return delegate.responses.size() == 2; }));
    EXPECT_EQ(delegate.responses.back().requestIdentifier, "tarnwick.plain");
}

TEST_F(FreedesktopCenterTest, AServerThatNeverClosesKeepsAtMostAHundredBannersAndTheirFiles)
{
    ASSERT_TRUE(startServer());
    std::vector<fs::path> files;
    std::vector<uint> ids;
    for (int i = 0; i < 130; ++i) {
        auto req = request("tarnwick.n" + std::to_string(i));
        files.push_back(attachmentFile("n" + std::to_string(i) + ".png"));
        req.content.attachments.push_back({"category.primary", files.back(), "image/png"});
        ids.push_back(post(req));
    }
    EXPECT_EQ(center.shownNotifications().size(), 100u);
    // The oldest thirty were withdrawn from the desktop and their pictures removed; the newest stay.
    ASSERT_TRUE(TestNotificationServer::waitUntil([&] { return server.closeCalls().size() == 30; }));
    EXPECT_EQ(server.closeCalls().front(), ids.front());
    EXPECT_FALSE(fs::exists(files[29]));
    EXPECT_TRUE(fs::exists(files[30]));
    EXPECT_TRUE(center.shownNotifications().contains(ids.back()));
}

TEST_F(FreedesktopCenterTest, SameIdentifierReplacesTheShownNotification)
{
    ASSERT_TRUE(startServer());
    auto first = request("tarnwick.same");
    const auto oldFile = attachmentFile("old.png");
    first.content.attachments.push_back({"category.primary", oldFile, "image/png"});
    const uint id = post(first);
    auto second = request("tarnwick.same", "Updated");
    const auto newFile = attachmentFile("new.png");
    second.content.attachments.push_back({"category.primary", newFile, "image/png"});
    EXPECT_EQ(post(second), id);
    EXPECT_EQ(server.notifyCalls().back().replacesId, id);
    EXPECT_FALSE(fs::exists(oldFile)) << "the replaced picture is no longer needed";
    EXPECT_TRUE(fs::exists(newFile));
    EXPECT_EQ(center.shownNotifications().size(), 1u);
}

TEST_F(FreedesktopCenterTest, WithdrawingClosesWhatIsShownAndWhatIsStillOnItsWay)
{
    ASSERT_TRUE(startServer());
    const uint a = post(request("tarnwick.a"));
    const uint b = post(request("tarnwick.b"));
    const uint c = post(request("tarnwick.c"));

    center.removeDelivered({"tarnwick.b", "tarnwick.unknown"});
    ASSERT_TRUE(TestNotificationServer::waitUntil([&] { return server.closeCalls().size() == 1; }));
    EXPECT_EQ(server.closeCalls(), std::vector<uint>{b});

    // Withdrawn before the server named its id: closed as soon as it does.
    std::optional<std::optional<std::string>> added;
    center.add(request("tarnwick.late"), [&](std::optional<std::string> error) { added = std::move(error); });
    center.removePending({"tarnwick.late"});
    ASSERT_TRUE(TestNotificationServer::waitUntil([&] { return added.has_value() && server.closeCalls().size() == 2; }));
    EXPECT_EQ(server.closeCalls().back(), server.notifyCalls().back().id);

    center.removeAllDelivered();
    ASSERT_TRUE(TestNotificationServer::waitUntil([&] { return server.closeCalls().size() == 4; }));
    EXPECT_EQ(std::set<uint>(server.closeCalls().begin() + 2, server.closeCalls().end()), (std::set<uint>{a, c}));
    EXPECT_TRUE(server.open().empty());
    EXPECT_TRUE(center.shownNotifications().empty());
    EXPECT_TRUE(delegate.responses.empty()) << "closing by call is no response";
}

TEST_F(FreedesktopCenterTest, ServerThatGoesAwayTakesItsNotificationsAlong)
{
    auto first = std::make_unique<TestNotificationServer>();
    ASSERT_TRUE(first->start());
    auto req = request("tarnwick.gone");
    const auto file = attachmentFile("gone.png");
    req.content.attachments.push_back({"category.primary", file, "image/png"});
    std::optional<std::optional<std::string>> added;
    center.add(req, [&](std::optional<std::string> error) { added = std::move(error); });
    ASSERT_TRUE(TestNotificationServer::waitUntil([&] { return added.has_value(); }));
    ASSERT_EQ(center.shownNotifications().size(), 1u);

    first.reset();
    ASSERT_TRUE(TestNotificationServer::waitUntil([&] { return center.shownNotifications().empty(); }));
    EXPECT_FALSE(fs::exists(file));

    // A new server is asked for its capabilities again before the next post.
    TestNotificationServer second;
    ASSERT_TRUE(second.start());
    added.reset();
    center.add(request("tarnwick.back"), [&](std::optional<std::string> error) { added = std::move(error); });
    ASSERT_TRUE(TestNotificationServer::waitUntil([&] { return added.has_value(); }));
    EXPECT_FALSE(*added);
    EXPECT_EQ(second.capabilitiesCalls(), 1);
    EXPECT_EQ(second.notifyCalls().size(), 1u);
}

TEST_F(FreedesktopCenterTest, NotifyErrorIsReportedWithItsMessage)
{
    server.failNotify(QStringLiteral("org.freedesktop.DBus.Error.LimitsExceeded"), QStringLiteral("too many"));
    ASSERT_TRUE(startServer());
    std::optional<std::optional<std::string>> added;
    center.add(request("tarnwick.x"), [&](std::optional<std::string> error) { added = std::move(error); });
    ASSERT_TRUE(TestNotificationServer::waitUntil([&] { return added.has_value(); }));
    EXPECT_EQ(*added, std::optional<std::string>("too many"));
    EXPECT_TRUE(center.shownNotifications().empty());
}

// A replacement reaches only what is still there: a notification the user closed is not brought back,
// and the replacement's files are not left behind.
TEST_F(FreedesktopCenterTest, ReplaceDeliveredChangesOnlyWhatIsStillShown)
{
    ASSERT_TRUE(startServer());
    auto critical = request("tarnwick.a");
    critical.content.breaksThroughDoNotDisturb = true;
    const uint shown = post(critical);
    const uint closed = post(request("tarnwick.b"));
    server.closeNotification(closed, 2);
    ASSERT_TRUE(TestNotificationServer::waitUntil([&] { return delegate.responses.size() == 1; }));

    auto gone = request("tarnwick.b");
    const auto goneFile = attachmentFile("b.png");
    gone.content.attachments.push_back({"category.primary", goneFile, "image/png"});
    EXPECT_FALSE(center.replaceDelivered(gone, {}));
    EXPECT_FALSE(fs::exists(goneFile));
    EXPECT_FALSE(center.replaceDelivered(request("tarnwick.never"), {}));

    auto ordinary = request("tarnwick.a");
    ordinary.content.sound = false;
    std::optional<std::optional<std::string>> replaced;
    EXPECT_TRUE(center.replaceDelivered(ordinary, [&](std::optional<std::string> error) { replaced = std::move(error); }));
    ASSERT_TRUE(TestNotificationServer::waitUntil([&] { return replaced.has_value(); }));
    EXPECT_FALSE(*replaced);
    ASSERT_EQ(server.notifyCalls().size(), 3u) << "nothing was posted for the closed or unknown ones";
    const auto& call = server.notifyCalls().back();
    EXPECT_EQ(call.replacesId, shown);
    EXPECT_EQ(server.notifyCalls()[0].hints.value("urgency").toInt(), 2);
    EXPECT_EQ(call.hints.value("urgency").toInt(), 1) << "named outright";
    EXPECT_TRUE(call.hints.value("suppress-sound").toBool());
    EXPECT_EQ(center.shownNotifications(), (std::map<std::uint32_t, std::string>{{shown, "tarnwick.a"}}));
}

TEST_F(FreedesktopCenterTest, AReplacementOfANotificationStillOnItsWayWaitsForItsId)
{
    ASSERT_TRUE(startServer());
    post(request("tarnwick.x"));  // the capabilities are known from here on
    center.add(request("tarnwick.a"), {});
    EXPECT_TRUE(center.replaceDelivered(request("tarnwick.a", "Changed"), {}));
    ASSERT_TRUE(TestNotificationServer::waitUntil([&] { return server.notifyCalls().size() == 3; }));
    const auto& calls = server.notifyCalls();
    EXPECT_EQ(calls[2].replacesId, calls[1].id) << "sent once the server named the id";
    EXPECT_EQ(calls[2].id, calls[1].id);
    EXPECT_TRUE(calls[2].body.contains("Changed"));
    EXPECT_EQ(server.open().size(), 2u);
}
