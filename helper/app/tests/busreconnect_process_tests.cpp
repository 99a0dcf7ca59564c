// tarnwick-helper on a session bus whose daemon restarts (every connection to it dropped, a new
// daemon at the same address): the helper says it lost the bus, comes back on the new daemon by
// itself, and its tray item, banners and the Focus announcement work there again without the main
// application sending anything anew.

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>

#include "tarnwick/extensionkit/focusfilterfile.h"
#include "tarnwick/testing/privatebus.h"
#include "tarnwick/testing/subprocess.h"
#include "tarnwick/testing/tempdir.h"
#include "teststatusnotifierwatcher.h"
#include "testnotificationserver.h"

using namespace tarnwick;
namespace fs = std::filesystem;
namespace tt = tarnwick::testing;

namespace {

bool isResponse(const std::string& line, int id)
{
    return line == "{\"id\":" + std::to_string(id) + ",\"result\":\"ok\"}";
}

} // namespace

TEST(BusReconnectProcess, TheHelperComesBackOnARestartedBusWithItsItemBannersAndSignals)
{
    tt::PrivateBus bus;
    ASSERT_FALSE(bus.address().empty()) << bus.failure();
    const QString address = QString::fromStdString(bus.address());
    tt::TempDir dir;
    // Installed beside its desktop entry, so it has an identity and posts banners; a member of the
    // test group, so its container lies in the test's data directory.
    fs::create_directories(dir / "prefix" / "bin");
    fs::copy_file(tt::builtProgram("helper/tarnwick-helper-grouped"), dir / "prefix" / "bin" / "tarnwick-helper");
    dir.write("prefix/share/applications/com.fenmoorlab.tarnwick.desktop",
              "[Desktop Entry]\nType=Application\nName=Tarnwick\nExec=tarnwick\n");
    const fs::path container = dir / "data" / "group-containers" / "TEST.group.com.fenmoorlab.tarnwick";
    fs::create_directories(container);
    ASSERT_FALSE(FocusFilterFile::write(container / FocusFilterFile::kFileName, {{"w"}, false}, 1.0));
    fs::create_directories(dir / "runtime");
    fs::permissions(dir / "runtime", fs::perms::owner_all);

    auto watcher = std::make_unique<tt::TestStatusNotifierWatcher>(address);
    ASSERT_TRUE(watcher->start());
    tt::Subprocess helper((dir / "prefix" / "bin" / "tarnwick-helper").string(), {},
                          bus.options({{{"QT_QPA_PLATFORM", "offscreen"},
                                        {"XDG_DATA_HOME", (dir / "data").string()},
                                        {"XDG_RUNTIME_DIR", (dir / "runtime").string()},
                                        {"TMPDIR", dir.path().string()}},
                                       {"DISPLAY", "WAYLAND_DISPLAY"},
                                       {}}));
    helper.write(R"({"id":1,"method":"tray.create"})" "\n"
                 R"({"id":2,"method":"tray.update","params":{"accounts":[{"id":"w","name":"Work","unreadCount":3},{"id":"h","name":"Home"}],"totalUnread":3}})" "\n"
                 R"({"id":3,"method":"notify.setup"})" "\n");
    ASSERT_TRUE(helper.readLineUntil([](const std::string& l) { return isResponse(l, 3); })) << helper.stderrText();
    ASSERT_TRUE(tt::TestStatusNotifierWatcher::waitUntil([&] { return !watcher->registeredItems().isEmpty(); }))
        << helper.stderrText();

    ASSERT_TRUE(bus.restart()) << bus.failure();
    EXPECT_TRUE(helper.waitForStderr("E|Bus|Lost the connection to the session bus")) << helper.stderrText();
    watcher = std::make_unique<tt::TestStatusNotifierWatcher>(address);
    ASSERT_TRUE(watcher->start());
    tt::TestNotificationServer server;
    ASSERT_TRUE(server.start(address));

    // The item is back, with what the main application sent before the restart.
    ASSERT_TRUE(tt::TestStatusNotifierWatcher::waitUntil([&] { return !watcher->registeredItems().isEmpty(); }))
        << helper.stderrText();
    EXPECT_TRUE(helper.waitForStderr("I|Bus|Connected to the session bus again"));
    const QString service = watcher->registeredItems().front();
    EXPECT_EQ(watcher->itemProperty(service, "Title").toString(), "Tarnwick, Work 3 unread");

    helper.write(R"({"id":4,"method":"notify.dispatch","params":{"accountId":"w","messages":[{"id":"m1","subject":"After the restart"}]}})" "\n");
    ASSERT_TRUE(helper.readLineUntil([](const std::string& l) { return isResponse(l, 4); })) << helper.stderrText();
    ASSERT_TRUE(tt::TestNotificationServer::waitUntil([&] { return server.notifyCalls().size() == 1; }))
        << helper.stderrText();
    EXPECT_EQ(server.notifyCalls()[0].body, "After the restart");

    // The announcement's match rule lives on the new connection too.
    ASSERT_FALSE(FocusFilterFile::write(container / FocusFilterFile::kFileName, {{"w", "h"}, true}, 2.0));
    QDBusConnection announcer = QDBusConnection::connectToBus(address, QStringLiteral("reconnect-test-announcer"));
    ASSERT_TRUE(announcer.send(QDBusMessage::createSignal(QStringLiteral("/com/fenmoorlab/tarnwick"),
                                                          QStringLiteral("com.fenmoorlab.tarnwick"),
                                                          QStringLiteral("focusFilterChanged"))));
    EXPECT_TRUE(helper.readLineUntil([](const std::string& l) {
        return l == R"({"method":"focusFilter.changed","params":{"activeAccountIds":["w","h"],"disableExcludedAccounts":true,"isFilterActive":true}})";
    })) << helper.stderrText();
    QDBusConnection::disconnectFromBus(QStringLiteral("reconnect-test-announcer"));
    EXPECT_EQ(helper.stderrText().find("E|Bus|Lost"), helper.stderrText().rfind("E|Bus|Lost")) << "logged once";
}
