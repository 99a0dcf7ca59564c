// What tarnwick-helper writes to standard error over a realistic session full of personal data
// (account addresses and names, senders, subjects, snippets, a verification code, a forged action
// key from the bus): none of it appears, whatever path it took into the helper.

#include <gtest/gtest.h>

#include "tarnwick/testing/privatebus.h"
#include "tarnwick/testing/subprocess.h"
#include "tarnwick/testing/tempdir.h"
#include "teststatusnotifierwatcher.h"
#include "testnotificationserver.h"

namespace fs = std::filesystem;
namespace tt = tarnwick::testing;

TEST(LogPrivacyProcess, NoPersonalDataReachesStandardError)
{
    tt::PrivateBus bus;
    ASSERT_FALSE(bus.address().empty()) << bus.failure();
    const QString address = QString::fromStdString(bus.address());
    tt::TestStatusNotifierWatcher watcher(address);
    ASSERT_TRUE(watcher.start());
    tt::TestNotificationServer server;
    ASSERT_TRUE(server.start(address));
    tt::TempDir dir;
    fs::create_directories(dir / "prefix" / "bin");
    fs::copy_file(tt::builtProgram("helper/tarnwick-helper-grouped"), dir / "prefix" / "bin" / "tarnwick-helper");
    dir.write("prefix/share/applications/com.fenmoorlab.tarnwick.desktop",
              "[Desktop Entry]\nType=Application\nName=Tarnwick\nExec=tarnwick\n");
    tt::Subprocess helper((dir / "prefix" / "bin" / "tarnwick-helper").string(), {},
                          bus.options({{{"QT_QPA_PLATFORM", "offscreen"},
                                        {"XDG_DATA_HOME", (dir / "data").string()},
                                        {"XDG_RUNTIME_DIR", dir.path().string()},
                                        {"TMPDIR", dir.path().string()}},
                                       {"DISPLAY", "WAYLAND_DISPLAY"},
                                       {}}));

    const std::string jane = R"("jane.doe@corp.example")";
    const std::string mail =
        R"({"id":"m1","threadId":"t1","from":"\"Dr. Aldous Whitcombe\" <aldous@clinic.example>","subject":"Biopsy result","snippet":"It came back benign, Jane","labelIds":["UNREAD"],"internalDate":"1700000000000"})";
    helper.write(
        R"({"id":1,"method":"tray.create"})" "\n"
        R"({"id":2,"method":"tray.update","params":{"accounts":[{"id":)" + jane + R"(,"name":"Jane Doe","unreadCount":2},{"id":"ops-7731","name":"Priya Raman"}],"totalUnread":2}})" "\n"
        R"({"id":3,"method":"tray.messages","params":{"accountId":)" + jane + R"(,"messages":[)" + mail + "]}}\n"
        R"({"id":4,"method":"settings.show","params":{"pane":"Jane Doe","accounts":[{"id":)" + jane + R"(,"name":"Jane Doe","email":)" + jane + "}]}}\n"
        R"({"id":5,"method":"focusFilter.set","params":{"activeAccountIds":["ops-7731"]}})" "\n");
    // The filter applies from a later turn: banners dispatched after it are muted.
    ASSERT_TRUE(helper.readLineUntil([](const std::string& l) { return l == R"({"id":5,"result":"ok"})"; }))
        << helper.stderrText();
    helper.write(
        R"({"id":6,"method":"notify.setup"})" "\n"
        R"({"id":7,"method":"notify.dispatch","params":{"accountId":)" + jane + R"(,"messages":[)" + mail + "]}}\n"
        R"({"id":8,"method":"focusFilter.set","params":{}})" "\n");
    ASSERT_TRUE(helper.readLineUntil([](const std::string& l) { return l == R"({"id":8,"result":"ok"})"; }))
        << helper.stderrText();
    helper.write(
        R"({"id":9,"method":"notify.dispatch","params":{"accountId":)" + jane + R"(,"messages":[)" + mail +
        R"(,{"id":"m2","from":"Bank of Nowhere <codes@bank.example>","subject":"Your code","verificationCode":"834201"}]}})" "\n"
        R"({"id":10,"method":"open.jane.doe@corp.example"})" "\n");
    ASSERT_TRUE(helper.readLineUntil([](const std::string& l) { return l.find("\"id\":10") != std::string::npos; }))
        << helper.stderrText();
    ASSERT_TRUE(tt::TestNotificationServer::waitUntil([&] { return server.notifyCalls().size() == 2; }))
        << helper.stderrText();

    // The user answers; another program on the bus forges an action key that would start a record.
    server.invokeAction(server.notifyCalls()[0].id, QStringLiteral("default"));
    server.invokeAction(server.notifyCalls()[1].id, QStringLiteral("tarnwick.trash\rE|Forged|Jane Doe"), false);
    ASSERT_TRUE(server.flush());
    EXPECT_TRUE(helper.readLineUntil([](const std::string& l) { return l.rfind(R"({"method":"notify.click")", 0) == 0; }));
    helper.closeStdin();
    EXPECT_EQ(helper.wait(), 0);

    const std::string& err = helper.stderrText();
    EXPECT_NE(err.find("I|Focus|1 banner(s) suppressed; <email> is muted by a Focus"), std::string::npos) << err;
    EXPECT_NE(err.find("I|Notifications|Response received: action=default id=t1"), std::string::npos) << err;
    for (const char* personal : {"jane.doe", "corp.example", "aldous", "clinic.example", "bank.example", "Jane",
                                 "Priya", "Raman", "Whitcombe", "Biopsy", "benign", "834201", "Bank of Nowhere", "Forged"})
        EXPECT_EQ(err.find(personal), std::string::npos) << personal << " in:\n" << err;
}
