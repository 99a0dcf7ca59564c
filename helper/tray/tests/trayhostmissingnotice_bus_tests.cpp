// The "no tray" notice on the test's private bus, where at first no notification server runs: it is
// posted when a server takes the name (watched, not polled) and withdrawn when a tray comes.
#include <gtest/gtest.h>

#include <QDBusConnection>

#include "helpertestsupport.h"
#include "tarnwick/helper/trayhostmissingnotice.h"
#include "tarnwick/notifications/freedesktopnotificationcenter.h"
#include "testnotificationserver.h"

using namespace tarnwick;
using tarnwick::testing::TestNotificationServer;

TEST(TrayHostMissingNoticeOnTheBus, PostedWhenANotificationServerAppearsAndWithdrawnWhenATrayComes)
{
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "run inside scripts/with-session.sh";
    test::LogCapture log;
    FreedesktopNotificationCenter center(QDBusConnection::sessionBus(),
                                         {"Tarnwick", "com.fenmoorlab.tarnwick", "", "message-new-email", [] { return false; }});
    // The grace period is the test's to end; the server watch is the real one.
    std::function<void()> graceOver;
    TrayHostMissingNotice::Seams seams;
    seams.startTimer = [&graceOver](std::chrono::milliseconds, std::function<void()> expired) {
        graceOver = std::move(expired);
        return std::make_shared<int>(0);
    };
    seams.findAppIndicatorExtension = [] { return std::nullopt; };
    TrayHostMissingNotice notice(center, "GNOME", "wayland", seams);

    notice.trayAbsent();
    ASSERT_TRUE(graceOver);
    graceOver();
    ASSERT_TRUE(TestNotificationServer::waitUntil([&] {
        return log.contains("W|Tray|Could not tell the user that the desktop shows no tray: The name "
                            "org.freedesktop.Notifications was not provided by any .service files; trying again when a "
                            "notification server appears");
    })) << ::testing::PrintToString(log.records());

    TestNotificationServer server;
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(TestNotificationServer::waitUntil([&] { return server.notifyCalls().size() == 1; }));
    const auto& call = server.notifyCalls()[0];
    EXPECT_EQ(call.summary, "Tarnwick has no tray icon on this desktop");
    EXPECT_TRUE(call.body.contains("GNOME shows tray icons only with the extension")) << call.body.toStdString();
    EXPECT_FALSE(call.hints.contains("urgency"));
    ASSERT_TRUE(TestNotificationServer::waitUntil([&] { return log.contains("I|Tray|Told the user that the desktop shows no tray"); }));
    EXPECT_TRUE(log.contains("I|Tray|A notification server appeared; telling the user that the desktop shows no tray"));

    notice.trayPresent();
    ASSERT_TRUE(TestNotificationServer::waitUntil([&] { return !server.closeCalls().empty(); }));
    EXPECT_EQ(server.closeCalls(), std::vector<uint>{call.id});
    EXPECT_TRUE(server.open().empty());
}
