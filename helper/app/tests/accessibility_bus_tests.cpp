// What a screen reader finds of the helper's windows on the real accessibility bus: at-spi2-core's
// bus launcher and registry on the test's own Xvfb, Qt's bridge in the helper, and a walker that
// reads the trees through libatspi as Orca does. Every push button, menu button, toggle, check box,
// radio button, combo box and menu item shown in the popover and in each preferences pane must
// have a name. One Xvfb and one accessibility bus serve every case.

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <filesystem>
#include <gtest/gtest.h>

#include "tarnwick/testing/subprocess.h"
#include "tarnwick/testing/tempdir.h"
#include "teststatusnotifierwatcher.h"

namespace tt = tarnwick::testing;
using tarnwick::testing::TestStatusNotifierWatcher;

namespace {

constexpr const char* kBusLauncher = "/usr/libexec/at-spi-bus-launcher";
constexpr const char* kSystemPython = "/usr/bin/python3";

std::string display;

class AccessibilityBusEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (!installed())
            return;
        m_xvfb = std::make_unique<tt::Subprocess>(
            tt::programOnPath("Xvfb"),
            std::vector<std::string>{"-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp"});
        const auto number = m_xvfb->readLine();
        ASSERT_TRUE(number) << "Xvfb did not report its display";
        display = ":" + *number;
        // The launcher owns org.a11y.Bus on the session bus and starts the registry at once; Qt's
        // bridge and libatspi both find the accessibility bus through it.
        m_launcher = std::make_unique<tt::Subprocess>(kBusLauncher, std::vector<std::string>{"--launch-immediately"},
                                                      tt::Subprocess::Options{{{"DISPLAY", display}}, {}, {}});
        ASSERT_TRUE(TestStatusNotifierWatcher::waitUntil([] {
            return QDBusConnection::sessionBus().interface()->isServiceRegistered(QStringLiteral("org.a11y.Bus"));
        })) << "the accessibility bus did not come up: " << m_launcher->stderrText();
    }
    void TearDown() override
    {
        m_launcher.reset();
        m_xvfb.reset();
    }

    static bool installed()
    {
        return std::filesystem::exists(kBusLauncher) && std::filesystem::exists(kSystemPython) &&
               tt::programOnPath("Xvfb") != "Xvfb";
    }

private:
    std::unique_ptr<tt::Subprocess> m_xvfb;
    std::unique_ptr<tt::Subprocess> m_launcher;
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new AccessibilityBusEnvironment);

// Runs the walker over the helper's window whose name starts with `title`; its report and status.
tt::RunResult unnamedControls(int pid, const std::string& title)
{
    return tt::run(kSystemPython, {TARNWICK_ATSPI_WALKER, "--pid", std::to_string(pid), "--window", title},
                   {{{"DISPLAY", display}}, {}, {}});
}

class AccessibilityBusTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!AccessibilityBusEnvironment::installed())
            GTEST_SKIP() << "at-spi2-core, gir1.2-atspi-2.0, python3-gi and Xvfb are installed by scripts/setup.sh";
        ASSERT_FALSE(display.empty()) << "the display and accessibility bus did not start (see above)";
    }

    // One of our programs on the display, its accessibility bridge on, its home in the test's folder.
    std::unique_ptr<tt::Subprocess> start(std::string_view program, std::vector<std::string> args = {})
    {
        tt::Subprocess::Options options{{{"DISPLAY", display},
                                         {"QT_QPA_PLATFORM", "xcb"},
                                         {"QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1"},
                                         {"HOME", (m_tmp.path() / "home").string()},
                                         {"TMPDIR", m_tmp.path().string()}},
                                        {"WAYLAND_DISPLAY", "XDG_CONFIG_HOME", "XDG_DATA_HOME"},
                                        {}};
        return std::make_unique<tt::Subprocess>(tt::builtProgram(program), std::move(args), std::move(options));
    }

    tt::TempDir m_tmp;
};

constexpr const char* kAccounts =
    R"([{"id":"w","name":"Work","email":"w@example.com","color":"#2563eb","unreadCount":3},)"
    R"({"id":"h","name":"Home","email":"h@example.com","color":"#16a34a","unreadCount":1,"needsAuth":true}])";

} // namespace

TEST_F(AccessibilityBusTest, EveryControlOfThePopoverHasAName)
{
    const auto helper = start("helper/tarnwick-helper");
    TestStatusNotifierWatcher watcher;
    ASSERT_TRUE(watcher.start());
    helper->write(std::string(R"({"id":1,"method":"tray.create"})" "\n")
                  + R"({"id":2,"method":"tray.update","params":{"accounts":)" + kAccounts + R"(,"totalUnread":3}})" "\n"
                  + R"({"id":3,"method":"tray.verificationCode","params":{"code":"482913","messageId":"m9","threadId":"t9","accountId":"w","service":"Example Bank"}})" "\n");
    ASSERT_TRUE(TestStatusNotifierWatcher::waitUntil([&] { return !watcher.registeredItems().isEmpty(); }))
        << helper->stderrText();
    // The messages are there before the popover opens: they are drawn as it appears.
    helper->write(R"({"method":"tray.messages","params":{"accountId":"w","messages":[)"
                  R"({"id":"m1","threadId":"t1","subject":"Quarterly report","from":"Ann Lee <ann@example.com>","snippet":"Numbers attached","internalDate":"1765400000000","category":"primary","labelIds":["UNREAD"]},)"
                  R"({"id":"m2","threadId":"t2","subject":"Lunch?","from":"Bob <bob@example.com>","snippet":"Noon","internalDate":"1765300000000","category":"social","labelIds":[]}]}})" "\n");

    // The popover is a popup: the walker meets it through its events, so it listens first.
    tt::Subprocess walker(kSystemPython, {TARNWICK_ATSPI_WALKER, "--pid", std::to_string(helper->pid()), "--popup", "Tarnwick"},
                          {{{"DISPLAY", display}}, {}, {}});
    ASSERT_EQ(walker.readLine(), "READY") << walker.stderrText();
    watcher.callItem(watcher.registeredItems().front(), "Activate", {640, 24});
    ASSERT_TRUE(helper->readLineUntil([](const std::string& l) { return l == R"({"method":"tray.popoverOpened"})"; }))
        << helper->stderrText();
    const auto status = walker.wait(std::chrono::seconds(60));
    const std::string report = walker.remainingStdout() + walker.stderrText();
    EXPECT_EQ(status, 0) << report << "\nhelper log:\n" << helper->stderrText();
}

TEST_F(AccessibilityBusTest, EveryControlOfEachPreferencesPaneHasAName)
{
    const auto helper = start("helper/tarnwick-helper");
    int id = 0;
    for (const char* pane : {"general", "accounts", "appearance", "notifications", "advanced"}) {
        helper->write(R"({"id":)" + std::to_string(++id) + R"(,"method":"settings.show","params":{"pane":")" + pane +
                      R"(","accounts":)" + kAccounts + "}}\n");
        const tt::RunResult walk = unnamedControls(helper->pid(), "Tarnwick Preferences");
        EXPECT_EQ(walk.status, 0) << pane << " pane:\n" << walk.out << walk.err << "\nhelper log:\n" << helper->stderrText();
    }
}

TEST_F(AccessibilityBusTest, EveryControlOfTheFocusFilterWindowHasAName)
{
    const auto window = start("app-intents/tarnwick-focus-filter", {"--gui"});
    const tt::RunResult walk = unnamedControls(window->pid(), "Tarnwick Focus Filter");
    EXPECT_EQ(walk.status, 0) << walk.out << walk.err << "\nits log:\n" << window->stderrText();
}
