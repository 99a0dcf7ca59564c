// tarnwick-helper end to end with a desktop tray on the test's private session bus: the item appears
// on "tray.create", the tray reads its description, and a click opens the popover with its events.

#include <QDBusConnection>
#include <gtest/gtest.h>

#include "tarnwick/testing/subprocess.h"
#include "tarnwick/testing/tempdir.h"
#include "teststatusnotifierwatcher.h"

using tarnwick::testing::Subprocess;
using tarnwick::testing::TempDir;
using tarnwick::testing::TestStatusNotifierWatcher;

namespace {

bool isResponse(const std::string& line, int id)
{
    return line == "{\"id\":" + std::to_string(id) + ",\"result\":\"ok\"}";
}

Subprocess::Options helperOptions(const TempDir& tmp)
{
    return {{{"TMPDIR", tmp.path().string()}, {"QT_QPA_PLATFORM", "offscreen"}}, {}, {}};
}

} // namespace

TEST(TrayProcess, TheItemAppearsAndAClickOpensThePopover)
{
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "run inside scripts/with-session.sh";
    TestStatusNotifierWatcher watcher;
    ASSERT_TRUE(watcher.start());
    TempDir tmp;
    Subprocess helper(tarnwick::testing::builtProgram("helper/tarnwick-helper"), {}, helperOptions(tmp));

    helper.write(R"({"id":1,"method":"tray.create"})" "\n"
                 R"({"id":2,"method":"tray.update","params":{"accounts":[{"id":"w","name":"Work","unreadCount":3},{"id":"h","name":"Home"}],"totalUnread":3}})" "\n");
    ASSERT_TRUE(helper.readLineUntil([](const std::string& l) { return isResponse(l, 2); })) << helper.stderrText();

    ASSERT_TRUE(TestStatusNotifierWatcher::waitUntil([&] { return !watcher.registeredItems().isEmpty(); }))
        << helper.stderrText();
    const QString service = watcher.registeredItems().front();
    EXPECT_EQ(service, QStringLiteral("org.kde.StatusNotifierItem-%1-1").arg(helper.pid()));
    EXPECT_EQ(watcher.itemProperty(service, "Title").toString(), "Tarnwick, Work 3 unread");
    const auto pixmaps = watcher.iconPixmap(service);
    ASSERT_FALSE(pixmaps.isEmpty());
    EXPECT_EQ(pixmaps[0].height, pixmaps[0].width) << "a tray it does not know gets square pictures";

    watcher.callItem(service, "Activate", {640, 24});
    ASSERT_TRUE(helper.readLineUntil([](const std::string& l) { return l == R"({"method":"tray.popoverOpened"})"; }))
        << helper.stderrText();
    // After the start-up Focus report and the answers: one request per account, then the opening.
    const auto& skipped = helper.skipped();
    ASSERT_GE(skipped.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(skipped.end() - 2, skipped.end()),
              (std::vector<std::string>{R"({"method":"tray.getMessages","params":{"accountId":"w"}})",
                                        R"({"method":"tray.getMessages","params":{"accountId":"h"}})"}));
    EXPECT_TRUE(helper.waitForStderr("I|Tray|Showing tray popover\n"));

    // While it is open, fresh data asks for fresh message lists; then the tray goes away.
    helper.write(R"({"id":3,"method":"tray.update","params":{"totalUnread":4}})" "\n"
                 R"({"id":4,"method":"tray.destroy"})" "\n");
    ASSERT_TRUE(helper.readLineUntil([](const std::string& l) { return isResponse(l, 4); }));
    EXPECT_EQ(std::count(helper.skipped().begin(), helper.skipped().end(),
                         R"({"method":"tray.getMessages","params":{"accountId":"w"}})"),
              2);
    EXPECT_TRUE(helper.waitForStderr("I|Tray|Dismissing tray popover\n"));
    helper.closeStdin();
    EXPECT_EQ(helper.wait(), 0);
}

TEST(TrayProcess, WithoutATrayTheHelperWarnsAndAnswers)
{
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected());
    TempDir tmp;
    Subprocess helper(tarnwick::testing::builtProgram("helper/tarnwick-helper"), {}, helperOptions(tmp));
    helper.write(R"({"id":1,"method":"tray.create"})" "\n"
                 R"({"id":2,"method":"tray.update","params":{"accounts":[{"id":"w"}]}})" "\n");
    ASSERT_TRUE(helper.readLineUntil([](const std::string& l) { return isResponse(l, 2); }));
    EXPECT_TRUE(helper.waitForStderr("W|Tray|No StatusNotifierWatcher on the session bus")) << helper.stderrText();
    helper.closeStdin();
    EXPECT_EQ(helper.wait(), 0);
    const std::string& err = helper.stderrText();
    EXPECT_NE(err.find("I|Tray|Status item attached to system menu bar\n"), std::string::npos) << err;
    EXPECT_NE(err.find("I|Tray|Updated tray data (1 accounts, 0 unread)\n"), std::string::npos) << err;
}
