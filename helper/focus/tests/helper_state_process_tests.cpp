// The helper's state flows through the real program and the real session bus: a test home holding
// focus-filter.json (the password database pointed at it by a preloaded shim), the change signal
// posted on the private bus of scripts/with-session.sh, and tray requests on standard input.
// Runs under the "focus-filter-signal" lock: it posts and observes the shared signal.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QTest>
#include <chrono>
#include <fstream>
#include <sys/stat.h>

#include "fakedefaulthandler.h"
#include "helpertestsupport.h"
#include "tarnwick/extensionkit/focusfilterfile.h"
#include "tarnwick/helper/focusfiltercontroller.h"
#include "tarnwick/helper/settingsmodel.h"
#include "tarnwick/helper/traymodel.h"
#include "tarnwick/platform/dbusfocusfilternotifier.h"
#include "tarnwick/platform/fakesystempaths.h"
#include "tarnwick/platform/focusfilterchangeobserver.h"
#include "tarnwick/testing/subprocess.h"
#include "tarnwick/testing/tempdir.h"

using namespace tarnwick;
namespace fs = std::filesystem;
namespace tt = tarnwick::testing;

namespace {

const std::string kGroup = "TEST.group.com.fenmoorlab.tarnwick";

std::string changed(const std::string& ids, bool blocked)
{
    return R"({"method":"focusFilter.changed","params":{"activeAccountIds":[)" + ids +
           R"(],"disableExcludedAccounts":)" + (blocked ? "true" : "false") + R"(,"isFilterActive":)" +
           (ids.empty() ? "false" : "true") + "}}";
}

class HelperStateProcessTest : public ::testing::Test {
protected:
    tt::TempDir dir;

    fs::path legacyFile() const { return dir / "real-home" / "Library" / "Application Support" / "Tarnwick" / "focus-filter.json"; }
    fs::path groupFile() const { return dir / "data" / "group-containers" / kGroup / "focus-filter.json"; }

    void writeState(const fs::path& file, std::vector<std::string> ids, bool blocked)
    {
        fs::create_directories(file.parent_path());
        ASSERT_FALSE(FocusFilterFile::write(file, {std::move(ids), blocked}, FocusFilterFile::now()));
    }

    tt::Subprocess::Options options() const
    {
        tt::Subprocess::Options o;
        const char* asan = std::getenv("ASAN_OPTIONS");
        const std::string asanOptions = asan ? asan : "";
        o.setEnv = {
            {"LD_PRELOAD", tt::builtProgram("app-intents/tarnwick_passwd_shim.so")},
            {"TARNWICK_TEST_PASSWD_HOME", (dir / "real-home").string()},
            // The shim is loaded ahead of the sanitizer runtime in sanitizer builds.
            {"ASAN_OPTIONS", asanOptions + (asanOptions.empty() ? "" : ":") + "verify_asan_link_order=0"},
            {"HOME", (dir / "sandbox-home").string()},
            {"XDG_DATA_HOME", (dir / "data").string()},
        };
        return o;
    }
    std::unique_ptr<tt::Subprocess> start(const std::string& program = "helper/tarnwick-helper-ungrouped",
                                          tt::Subprocess::Options o = {})
    {
        if (o.setEnv.empty())
            o = options();
        return std::make_unique<tt::Subprocess>(tt::builtProgram(program), std::vector<std::string>{}, std::move(o));
    }
    static void announce()
    {
        DBusFocusFilterNotifier notifier;
        ASSERT_EQ(notifier.post(), std::nullopt) << "run inside scripts/with-session.sh";
    }
};

} // namespace

TEST_F(HelperStateProcessTest, ReadsTheStateAtStartAndAgainOnEveryAnnouncement)
{
    writeState(legacyFile(), {"a", "b"}, true);
    auto helper = start();
    EXPECT_EQ(helper->readLine(), changed(R"("a","b")", true)) << "the file is read at start";
    // The observer is in place once the start-up state went out.
    helper->write(R"({"id":1,"method":"focusFilter.get"})" "\n");
    EXPECT_EQ(helper->readLine(),
              R"({"id":1,"result":{"activeAccountIds":["a","b"],"disableExcludedAccounts":true,"isFilterActive":true}})");

    writeState(legacyFile(), {"c"}, false);
    announce();
    EXPECT_EQ(helper->readLine(), changed(R"("c")", false));

    fs::remove(legacyFile());
    announce();
    EXPECT_EQ(helper->readLine(), changed("", false)) << "a file that went away clears the filter";

    // focusFilter.set changes only the helper; the next announcement brings the file's state back.
    helper->write(R"({"id":2,"method":"focusFilter.set","params":{"activeAccountIds":["z"]}})" "\n");
    EXPECT_EQ(helper->readLine(), changed(R"("z")", false));
    EXPECT_EQ(helper->readLine(), R"({"id":2,"result":"ok"})");
    writeState(legacyFile(), {"d"}, true);
    announce();
    EXPECT_EQ(helper->readLine(), changed(R"("d")", true));
    helper->closeStdin();
    EXPECT_EQ(helper->wait(), 0);
    EXPECT_EQ(helper->remainingStdout(), "");
}

TEST_F(HelperStateProcessTest, WhateverStandsInPlaceOfTheFileTheHelperKeepsAnswering)
{
    // A FIFO (opening it would wait for a writer), a link to an endless device, a 100 MB file: each
    // reads as no filter at once, at start and after an announcement.
    fs::create_directories(legacyFile().parent_path());
    ASSERT_EQ(::mkfifo(legacyFile().c_str(), 0600), 0);
    auto helper = start();
    const auto asked = std::chrono::steady_clock::now();
    helper->write(R"({"id":1,"method":"focusFilter.get"})" "\n");
    const std::string none = R"({"id":1,"result":{"activeAccountIds":[],"disableExcludedAccounts":false,"isFilterActive":false}})";
    EXPECT_EQ(helper->readLineUntil([&](const std::string& l) { return l == none; }, std::chrono::seconds(1)), none)
        << helper->stderrText();
    EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::seconds(1));

    fs::remove(legacyFile());
    fs::create_symlink("/dev/zero", legacyFile());
    announce();
    fs::remove(legacyFile());
    {
        std::ofstream big(legacyFile());
        big << R"({"activeAccountIds":[)";
    }
    fs::resize_file(legacyFile(), std::uintmax_t{100} << 20);
    announce();
    helper->write(R"({"id":2,"method":"focusFilter.get"})" "\n");
    const std::string second = R"({"id":2,"result":{"activeAccountIds":[],"disableExcludedAccounts":false,"isFilterActive":false}})";
    EXPECT_EQ(helper->readLineUntil([&](const std::string& l) { return l == second; }, std::chrono::seconds(2)), second)
        << helper->stderrText();
    helper->closeStdin();
    EXPECT_EQ(helper->wait(), 0);
}

TEST_F(HelperStateProcessTest, TrayUpdatePrunesTheFilterAndReportsIt)
{
    writeState(legacyFile(), {"a", "b"}, false);
    auto helper = start();
    EXPECT_EQ(helper->readLine(), changed(R"("a","b")", false));
    helper->write(R"({"id":1,"method":"tray.update","params":{"accounts":[]}})" "\n"
                  R"({"id":2,"method":"tray.update","params":{"accounts":[{"id":"a"},{"id":"c"}]}})" "\n");
    EXPECT_EQ(helper->readLine(), R"({"id":1,"result":"ok"})") << "no accounts leave the filter alone";
    EXPECT_EQ(helper->readLine(), changed(R"("a")", false));
    EXPECT_EQ(helper->readLine(), R"({"id":2,"result":"ok"})");

    // An announced file is pruned to the tray's accounts before it is applied: one event, for what
    // is left of it (an unchanged file would give none).
    writeState(legacyFile(), {"b", "c"}, false);
    announce();
    EXPECT_EQ(helper->readLine(), changed(R"("c")", false));
    helper->closeStdin();
    EXPECT_EQ(helper->wait(), 0);
    EXPECT_NE(helper->stderrText().find("I|Focus|Dropped filter entries for 1 removed account(s)\n"), std::string::npos);
}

TEST_F(HelperStateProcessTest, AGroupBuildReadsItsContainer)
{
    writeState(legacyFile(), {"legacy"}, false);
    auto helper = start("helper/tarnwick-helper-grouped");
    EXPECT_EQ(helper->readLine(), changed("", false)) << "no group file, and no fallback to the legacy file";
    EXPECT_EQ(fs::status(groupFile().parent_path()).permissions() & fs::perms::all, fs::perms::owner_all)
        << "the container is created, private, when looked up";

    writeState(groupFile(), {"grouped"}, true);
    announce();
    EXPECT_EQ(helper->readLine(), changed(R"("grouped")", true));
    fs::remove(groupFile());
    announce();
    EXPECT_EQ(helper->readLine(), changed("", false));
    helper->closeStdin();
    EXPECT_EQ(helper->wait(), 0);
}

TEST_F(HelperStateProcessTest, WithoutABusTheFileIsStillRead)
{
    writeState(legacyFile(), {"a"}, false);
    auto o = options();
    o.setEnv["DBUS_SESSION_BUS_ADDRESS"] = "unix:path=" + (dir / "no-bus").string();
    auto helper = start("helper/tarnwick-helper-ungrouped", o);
    EXPECT_EQ(helper->readLine(), changed(R"("a")", false));
    helper->write(R"({"id":1,"method":"tray.create"})" "\n");
    EXPECT_EQ(helper->readLine(), R"({"id":1,"result":"ok"})");
    helper->closeStdin();
    EXPECT_EQ(helper->wait(), 0);
    EXPECT_NE(helper->stderrText().find("W|Focus|No session bus; changes announced as "
                                        "com.fenmoorlab.tarnwick.focusFilterChanged will not be seen\n"),
              std::string::npos)
        << helper->stderrText();
}

TEST_F(HelperStateProcessTest, IllShapedTrayRequestsAreAnsweredOk)
{
    auto helper = start();
    helper->readLine();
    const char* requests[] = {
        R"({"id":1,"method":"tray.update","params":{"accounts":{"id":"a"},"totalUnread":"x","verificationCode":7,"unreadDisplay":null}})",
        R"({"id":2,"method":"tray.update","params":[1,2]})",
        R"({"id":3,"method":"tray.messages","params":{"accountId":"a","messages":[{"id":1,"internalDate":"nan","from":"\"<"},7]}})",
        R"({"id":4,"method":"tray.messages","params":{"accountId":"a","messages":[{"internalDate":"1e400","labelIds":"UNREAD"}]}})",
        R"({"id":5,"method":"tray.verificationCode","params":"junk"})",
        R"({"id":6,"method":"tray.verificationCode","params":{"code":"","messageId":1}})",
        R"({"id":7,"method":"settings.update","params":{"settings":{"notifications":{"primary":[]},"theme":{}}}})",
        R"({"id":8,"method":"tray.destroy"})",
    };
    for (const char* request : requests)
        helper->write(std::string(request) + "\n");
    for (int id = 1; id <= 8; ++id)
        EXPECT_EQ(helper->readLine(), "{\"id\":" + std::to_string(id) + ",\"result\":\"ok\"}");
    helper->closeStdin();
    EXPECT_EQ(helper->wait(), 0);
}

// In process, on the real bus: an announcement posts a reload, which a controller that is gone skips.
TEST(FocusFilterObservation, AnnouncementsReloadOnTheMainQueue)
{
    tt::TempDir dir;
    test::LogCapture log;
    test::RecordingTransport io;
    test::FakeDefaultHandler handler;
    FakeSystemPaths paths;
    paths.realHome = dir / "home";
    SettingsModel settings{handler};
    TrayModel tray;
    QDBusConnection connection = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "helper-state-observer");
    {
        FocusFilterController focus{settings, tray, {io.queue, &paths, [&] {
                                                         return std::make_unique<FocusFilterChangeObserver>(connection, nullptr);
                                                     }}};
        focus.setup(io.transport);
        ASSERT_TRUE(focus.isObserving()) << "run inside scripts/with-session.sh";
        io.take();

        dir.write("home/Library/Application Support/Tarnwick/focus-filter.json", R"({"activeAccountIds":["a"]})");
        DBusFocusFilterNotifier().post();
        ASSERT_TRUE(QTest::qWaitFor([&] { return io.queue.pending() > 0; }, 10000));
        EXPECT_FALSE(focus.isFilterActive()) << "the reload waits for its main-queue turn";
        io.queue.runAll();
        EXPECT_TRUE(focus.isFilterActive());
        EXPECT_EQ(io.take(), std::vector<std::string>{changed(R"("a")", false)});

        DBusFocusFilterNotifier().post();
        ASSERT_TRUE(QTest::qWaitFor([&] { return io.queue.pending() > 0; }, 10000));
    }
    EXPECT_EQ(io.queue.runAll(), 1) << "the reload posted for the destroyed controller runs and does nothing";
    EXPECT_TRUE(io.take().empty());
    QDBusConnection::disconnectFromBus("helper-state-observer");
}
