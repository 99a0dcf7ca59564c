// tarnwick-helper driven through stdin/stdout while a notification server runs on the test's
// private session bus: once installed under a prefix (so it has an identity), once from the build
// tree (so it has none).

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QUrl>

#include "tarnwick/testing/subprocess.h"
#include "tarnwick/testing/tempdir.h"
#include "testnotificationserver.h"

using tarnwick::testing::Subprocess;
using tarnwick::testing::TempDir;
using tarnwick::testing::TestNotificationServer;
namespace fs = std::filesystem;

namespace {

// The built helper laid out as an installed package: <prefix>/bin/tarnwick-helper beside
// <prefix>/share/applications/com.fenmoorlab.tarnwick.desktop.
class InstalledHelper {
public:
    InstalledHelper()
    {
        fs::create_directories(m_prefix.path() / "bin");
        fs::copy_file(tarnwick::testing::builtProgram("helper/tarnwick-helper"), executable());
        m_prefix.write("share/applications/com.fenmoorlab.tarnwick.desktop",
                       "[Desktop Entry]\nType=Application\nName=Tarnwick\nExec=tarnwick\n");
    }
    fs::path executable() const { return m_prefix.path() / "bin" / "tarnwick-helper"; }

private:
    TempDir m_prefix;
};

std::vector<std::string> leftovers(const fs::path& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    return names;
}

bool isResponse(const std::string& line, int id)
{
    return line == "{\"id\":" + std::to_string(id) + ",\"result\":\"ok\"}";
}

bool startsWith(const std::string& line, std::string_view prefix)
{
    return line.rfind(prefix, 0) == 0;
}

} // namespace

TEST(NotificationProcess, InstalledHelperPostsBannersAndReportsTheUsersAnswers)
{
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "run inside scripts/with-session.sh";
    TestNotificationServer server;
    ASSERT_TRUE(server.start());
    InstalledHelper installed;
    TempDir tmp;
    Subprocess helper(installed.executable().string(), {},
                      {{{"TMPDIR", tmp.path().string()}, {"XDG_RUNTIME_DIR", tmp.path().string()}}, {}, {}});

    helper.write("{\"id\":1,\"method\":\"notify.setup\"}\n"
                 "{\"id\":2,\"method\":\"notify.dispatch\",\"params\":{\"accountId\":\"acct\",\"messages\":["
                 "{\"id\":\"m1\",\"threadId\":\"t1\",\"from\":\"\\\"Ada\\\" <ada@example.com>\",\"subject\":\"Hi\"},"
                 "{\"id\":\"m2\",\"category\":\"updates\",\"subject\":\"Code\",\"verificationCode\":\"424242\"},"
                 "{\"id\":\"m3\",\"category\":\"social\"}]}}\n");
    ASSERT_TRUE(helper.readLineUntil([](const std::string& l) { return isResponse(l, 2); })) << helper.stderrText();

    ASSERT_TRUE(TestNotificationServer::waitUntil([&] { return server.notifyCalls().size() == 3; })) << helper.stderrText();
    const auto& first = server.notifyCalls()[0];
    EXPECT_EQ(first.appName, "Tarnwick");
    EXPECT_EQ(first.summary, "Ada");
    EXPECT_EQ(first.body, "Hi");
    EXPECT_EQ(first.actions, (QStringList{"default", "Open", "tarnwick.archive", "Archive", "tarnwick.markRead",
                                          "Mark Read", "tarnwick.trash", "Delete"}));
    EXPECT_EQ(first.hints.value("desktop-entry"), "com.fenmoorlab.tarnwick");
    EXPECT_EQ(first.hints.value("sound-name"), "message-new-email");
    const fs::path image = QUrl(first.hints.value("image-path").toString()).toLocalFile().toStdString();
    EXPECT_EQ(image.parent_path().parent_path(), tmp.path());
    EXPECT_TRUE(fs::exists(image));
    EXPECT_EQ(leftovers(image.parent_path()).size(), 3u) << "one picture per category";

    server.invokeAction(first.id, QStringLiteral("default"));
    ASSERT_TRUE(server.flush());
    EXPECT_EQ(helper.readLineUntil([](const std::string& l) { return startsWith(l, "{\"method\":\"notify."); }),
              R"({"method":"notify.click","params":{"accountId":"acct","messageId":"t1"}})")
        << helper.stderrText();
    server.invokeAction(server.notifyCalls()[1].id, QStringLiteral("tarnwick.copyCode"));
    ASSERT_TRUE(server.flush());
    EXPECT_EQ(helper.readLineUntil([](const std::string& l) { return startsWith(l, "{\"method\":\"notify."); }),
              R"({"method":"notify.action","params":{"accountId":"acct","action":"copyCode","code":"424242","messageId":"m2"}})");

    // The third banner is still shown when the helper goes: its picture goes with the helper.
    helper.closeStdin();
    EXPECT_EQ(helper.wait(), 0);
    EXPECT_FALSE(fs::exists(image.parent_path())) << "the pictures go with the helper";
    EXPECT_NE(helper.stderrText().find("I|Notifications|Response received: action=default id=t1\n"), std::string::npos);
    EXPECT_EQ(helper.stderrText().find("No bundle identity"), std::string::npos);
}

TEST(NotificationProcess, BuildTreeHelperWarnsAndLeavesTheServerAlone)
{
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "run inside scripts/with-session.sh";
    TestNotificationServer server;
    ASSERT_TRUE(server.start());
    Subprocess helper(tarnwick::testing::builtProgram("helper/tarnwick-helper"));
    helper.write("{\"id\":1,\"method\":\"notify.setup\"}\n"
                 "{\"id\":2,\"method\":\"notify.dispatch\",\"params\":{\"accountId\":\"a\",\"messages\":[{\"id\":\"m1\"}]}}\n"
                 "{\"id\":3,\"method\":\"notify.clearAll\"}\n");
    ASSERT_TRUE(helper.readLineUntil([](const std::string& l) { return isResponse(l, 3); }));
    helper.closeStdin();
    EXPECT_EQ(helper.wait(), 0);
    const std::string& err = helper.stderrText();
    EXPECT_NE(err.find("W|Notifications|No bundle identity \xE2\x80\x94 not registering (running outside Tarnwick.app)\n"),
              std::string::npos) << err;
    EXPECT_NE(err.find("W|Notifications|No bundle identity \xE2\x80\x94 skipping banner (running outside Tarnwick.app)\n"),
              std::string::npos) << err;

    // A call of our own, answered after anything the helper could have sent before it exited.
    QDBusPendingCallWatcher roundTrip(QDBusConnection::sessionBus().asyncCall(QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("GetServerInformation"))));
    ASSERT_TRUE(TestNotificationServer::waitUntil([&] { return roundTrip.isFinished(); }));
    EXPECT_FALSE(roundTrip.isError());
    EXPECT_EQ(server.capabilitiesCalls(), 0);
    EXPECT_TRUE(server.notifyCalls().empty());
    EXPECT_TRUE(server.closeCalls().empty());
}

TEST(NotificationProcess, ABannerOfHugeTextsIsCutAndTheHelperStaysOnTheBus)
{
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "run inside scripts/with-session.sh";
    TestNotificationServer server;
    ASSERT_TRUE(server.start());
    InstalledHelper installed;
    TempDir tmp;
    Subprocess helper(installed.executable().string(), {}, {{{"TMPDIR", tmp.path().string()}}, {}, {}});

    // Sender, subject and snippet of 12 MiB each: together far over what the bus lets one message carry.
    const std::string huge(std::size_t{12} << 20, 'x');
    helper.write("{\"id\":1,\"method\":\"notify.setup\"}\n"
                 "{\"id\":2,\"method\":\"notify.dispatch\",\"params\":{\"accountId\":\"a\",\"messages\":[{\"id\":\"m1\","
                 "\"from\":\"" + huge + "\",\"subject\":\"" + huge + "\",\"snippet\":\"" + huge + "\"}]}}\n"
                 "{\"id\":3,\"method\":\"notify.dispatch\",\"params\":{\"accountId\":\"a\",\"messages\":[{\"id\":\"m2\","
                 "\"from\":\"Ada <ada@example.com>\",\"subject\":\"Lunch?\"}]}}\n");
    ASSERT_TRUE(helper.readLineUntil([](const std::string& l) { return isResponse(l, 3); }, std::chrono::seconds(60)))
        << helper.stderrText();
    ASSERT_TRUE(TestNotificationServer::waitUntil([&] { return server.notifyCalls().size() == 2; }))
        << helper.stderrText();
    const auto& cut = server.notifyCalls()[0];
    EXPECT_LE(cut.summary.size(), 512);
    EXPECT_TRUE(cut.summary.endsWith(QChar(0x2026)));
    EXPECT_LE(cut.body.size(), 512 + 4096 + 16);
    EXPECT_TRUE(cut.body.endsWith(QChar(0x2026)));
    EXPECT_EQ(server.notifyCalls()[1].summary, "Ada");
    EXPECT_EQ(helper.stderrText().find("Not connected to D-Bus server"), std::string::npos) << helper.stderrText();
    helper.closeStdin();
    EXPECT_EQ(helper.wait(), 0);
}
