// Focus follows the desktop's Do Not Disturb, through the real program: a real dunst (on the test's
// own Xvfb) paused and resumed with dunstctl, and GNOME's show-banners key changed with the gsettings
// tool in a keyfile backend of the test's own. The helper's Focus filter files lie in a test home.
// Helper, dunst and dunstctl share a bus of the test's own: an announcement or a notification server
// of another test on the common test bus would otherwise show up here as extra events.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QTest>

#include "tarnwick/extensionkit/focusfilterfile.h"
#include "tarnwick/testing/privatebus.h"
#include "tarnwick/testing/subprocess.h"
#include "tarnwick/testing/tempdir.h"

using namespace tarnwick;
namespace fs = std::filesystem;
namespace tt = tarnwick::testing;

namespace {

std::string changed(const std::string& ids, bool blocked)
{
    return R"({"method":"focusFilter.changed","params":{"activeAccountIds":[)" + ids +
           R"(],"disableExcludedAccounts":)" + (blocked ? "true" : "false") + R"(,"isFilterActive":)" +
           (ids.empty() ? "false" : "true") + "}}";
}

class DoNotDisturbProcessTest : public ::testing::Test {
protected:
    tt::TempDir dir;
    tt::PrivateBus bus;
    std::unique_ptr<tt::Subprocess> xvfb;
    std::unique_ptr<tt::Subprocess> dunst;
    std::unique_ptr<tt::Subprocess> helper;

    void SetUp() override
    {
        const std::string dunstProgram = tt::programOnPath("dunst");
        if (dunstProgram == "dunst" || tt::programOnPath("Xvfb") == "Xvfb")
            GTEST_SKIP() << "dunst and Xvfb are installed by scripts/setup.sh";
        ASSERT_FALSE(bus.address().empty()) << bus.failure();
        const QDBusConnection connection =
            QDBusConnection::connectToBus(QString::fromStdString(bus.address()), QStringLiteral("dnd-test-bus"));
        ASSERT_TRUE(connection.isConnected());

        xvfb = std::make_unique<tt::Subprocess>(tt::programOnPath("Xvfb"),
                                                std::vector<std::string>{"-displayfd", "1", "-nolisten", "tcp"});
        const auto display = xvfb->readLine();
        ASSERT_TRUE(display) << "Xvfb did not report its display";
        // Ordinary banners leave after a second; critical ones stay until closed, as on GNOME and Plasma.
        dir.write("dunstrc", "[urgency_normal]\n    timeout = 1\n[urgency_critical]\n    timeout = 0\n");
        tt::Subprocess::Options dunstOptions = bus.options();
        dunstOptions.setEnv.insert({{"DISPLAY", ":" + *display}, {"HOME", (dir / "dunst-home").string()}});
        dunstOptions.unsetEnv = {"WAYLAND_DISPLAY"};
        dunst = std::make_unique<tt::Subprocess>(dunstProgram, std::vector<std::string>{"-conf", (dir / "dunstrc").string()},
                                                 std::move(dunstOptions));
        QDeadlineTimer deadline(20000);
        while (!connection.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.Notifications"))
               && !deadline.hasExpired())
            QTest::qWait(20);
        ASSERT_FALSE(deadline.hasExpired()) << "dunst did not come up: " << dunst->stderrText();

        fs::create_directories(dir / "config");
        gsettings(true);
        fs::create_directories(folder());
        ASSERT_FALSE(FocusFilterFile::write(folder() / FocusFilterFile::kFileName, {{"a", "b"}, false}, 1.0));
        ASSERT_FALSE(FocusFilterFile::write(folder() / FocusFilterFile::kDoNotDisturbFileName, {{"a"}, true}, 1.0));

        tt::Subprocess::Options o = environment();
        o.setEnv.emplace("LD_PRELOAD", tt::builtProgram("app-intents/tarnwick_passwd_shim.so"));
        o.setEnv.emplace("TARNWICK_TEST_PASSWD_HOME", (dir / "real-home").string());
        const char* asan = std::getenv("ASAN_OPTIONS");
        o.setEnv.emplace("ASAN_OPTIONS", std::string(asan ? asan : "") + (asan && *asan ? ":" : "") + "verify_asan_link_order=0");
        o.setEnv.emplace("HOME", (dir / "sandbox-home").string());
        o.setEnv.emplace("XDG_DATA_HOME", (dir / "data").string());
        o.unsetEnv = {"DISPLAY", "WAYLAND_DISPLAY"};
        // Laid out as installed, so that it has an identity and posts banners.
        fs::create_directories(dir / "prefix" / "bin");
        fs::copy_file(tt::builtProgram("helper/tarnwick-helper-ungrouped"), dir / "prefix" / "bin" / "tarnwick-helper");
        dir.write("prefix/share/applications/com.fenmoorlab.tarnwick.desktop",
                  "[Desktop Entry]\nType=Application\nName=Tarnwick\nExec=tarnwick\n");
        o.setEnv.emplace("TMPDIR", (dir / "tmp").string());
        fs::create_directories(dir / "tmp");
        helper = std::make_unique<tt::Subprocess>((dir / "prefix" / "bin" / "tarnwick-helper").string(),
                                                  std::vector<std::string>{}, std::move(o));
        ASSERT_EQ(helper->readLine(), changed(R"("a","b")", false)) << "the file's state at start";
        ASSERT_TRUE(helper->waitForStderr("I|Focus|Following the desktop's Do Not Disturb")) << helper->stderrText();
    }

    void TearDown() override
    {
        if (helper) {
            helper->closeStdin();
            EXPECT_EQ(helper->wait(), 0);
            EXPECT_EQ(helper->remainingStdout(), "") << "no event beyond those read";
        }
        QDBusConnection::disconnectFromBus(QStringLiteral("dnd-test-bus"));
    }

    fs::path folder() const { return dir / "real-home" / "Library" / "Application Support" / "Tarnwick"; }
    tt::Subprocess::Options environment() const
    {
        tt::Subprocess::Options o = bus.options();
        o.setEnv.insert({{"GSETTINGS_BACKEND", "keyfile"}, {"XDG_CONFIG_HOME", (dir / "config").string()}});
        return o;
    }
    void run(const std::string& program, std::vector<std::string> args, tt::Subprocess::Options o = {})
    {
        tt::Subprocess tool(tt::programOnPath(program), std::move(args), std::move(o));
        EXPECT_EQ(tool.wait(), 0) << program << ": " << tool.stderrText();
    }
    // dunst's count of its notifications "displayed", "waiting" (held while paused) or in "history".
    int dunstCount(const std::string& which)
    {
        tt::Subprocess tool(tt::programOnPath("dunstctl"), {"count", which}, environment());
        const auto line = tool.readLine();
        EXPECT_EQ(tool.wait(), 0) << tool.stderrText();
        return line ? std::atoi(line->c_str()) : -1;
    }
    bool waitForDunst(const std::string& which, int count)
    {
        QDeadlineTimer deadline(20000);
        while (dunstCount(which) != count && !deadline.hasExpired())
            QTest::qWait(50);
        return !deadline.hasExpired();
    }
    void paused(bool on) { run("dunstctl", {"set-paused", on ? "true" : "false"}, environment()); }
    void gsettings(bool showBanners)
    {
        run("gsettings", {"set", "org.gnome.desktop.notifications", "show-banners", showBanners ? "true" : "false"},
            environment());
    }
    // The helper's answer to focusFilter.get: everything it sent before is already read.
    void expectNothingMoreThen(const std::string& ids, bool blocked, int id)
    {
        helper->write(R"({"id":)" + std::to_string(id) + R"(,"method":"focusFilter.get"})" "\n");
        EXPECT_EQ(helper->readLine(), R"({"id":)" + std::to_string(id) + R"(,"result":{"activeAccountIds":[)" + ids +
                                          R"(],"disableExcludedAccounts":)" + (blocked ? "true" : "false") +
                                          R"(,"isFilterActive":)" + (ids.empty() ? "false" : "true") + "}}");
    }
};

} // namespace

TEST_F(DoNotDisturbProcessTest, PausingDunstAppliesTheSavedFilterOnceAndResumingRestoresIt)
{
    paused(true);
    EXPECT_EQ(helper->readLine(), changed(R"("a")", true));
    expectNothingMoreThen(R"("a")", true, 1);
    paused(false);
    EXPECT_EQ(helper->readLine(), changed(R"("a","b")", false));
    expectNothingMoreThen(R"("a","b")", false, 2);
}

TEST_F(DoNotDisturbProcessTest, GnomeShowBannersCountsAndEitherSourceKeepsDoNotDisturbOn)
{
    gsettings(false);
    EXPECT_EQ(helper->readLine(), changed(R"("a")", true));
    gsettings(true);
    EXPECT_EQ(helper->readLine(), changed(R"("a","b")", false));

    // Both on, then one off: still on.
    paused(true);
    EXPECT_EQ(helper->readLine(), changed(R"("a")", true));
    gsettings(false);
    paused(false);
    expectNothingMoreThen(R"("a")", true, 1);
    gsettings(true);
    EXPECT_EQ(helper->readLine(), changed(R"("a","b")", false));
}

// A banner of an account Do Not Disturb keeps on goes out critical, which dunst (like GNOME and Plasma)
// never times out; once Do Not Disturb is over it becomes ordinary, leaves the screen after dunst's
// timeout and stays in dunst's history.
TEST_F(DoNotDisturbProcessTest, BannersThatGotThroughDoNotOutliveIt)
{
    paused(true);
    EXPECT_EQ(helper->readLine(), changed(R"("a")", true));
    helper->write(R"({"id":1,"method":"notify.dispatch","params":{"accountId":"a","messages":[)"
                  R"({"id":"m1","from":"Ada <ada@example.com>","subject":"Through"}]}})" "\n");
    EXPECT_EQ(helper->readLine(), R"({"id":1,"result":"ok"})");
    ASSERT_TRUE(waitForDunst("waiting", 1)) << helper->stderrText();

    paused(false);
    EXPECT_EQ(helper->readLine(), changed(R"("a","b")", false));
    EXPECT_TRUE(helper->waitForStderr("I|Notifications|1 banner(s) that got through Do Not Disturb now time out as usual"))
        << helper->stderrText();
    QDeadlineTimer deadline(20000);
    while (!(dunstCount("displayed") == 0 && dunstCount("waiting") == 0 && dunstCount("history") >= 1) &&
           !deadline.hasExpired())
        QTest::qWait(50);
    EXPECT_FALSE(deadline.hasExpired()) << "still on screen: " << dunstCount("displayed") << " displayed";
    EXPECT_EQ(dunstCount("history"), 1) << "timed out like any banner, into the history";
    expectNothingMoreThen(R"("a","b")", false, 2);
}
