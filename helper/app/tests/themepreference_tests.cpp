// The `theme` the main application sends reaches the helper's windows: a "settings.update" or
// "settings.show" with "dark" turns the tray popover dark, "light" back, and "system" follows the
// desktop's colour scheme as it changes.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "fakedefaulthandler.h"
#include "fakestatusitemhost.h"
#include "helpertestsupport.h"
#include "tarnwick/helper/dispatcher.h"
#include "tarnwick/helper/focusfiltercontroller.h"
#include "tarnwick/helper/menubarcontroller.h"
#include "tarnwick/helper/notificationcontroller.h"
#include "tarnwick/helper/settingsmodel.h"
#include "tarnwick/helper/themepreference.h"
#include "tarnwick/helper/traymodel.h"
#include "tarnwick/helper/traypopover.h"
#include "tarnwick/platform/fakedesktopcolorscheme.h"
#include "tarnwick/platform/fakesystempaths.h"
#include "tarnwick/platform/focusfilterchangeobserver.h"
#include "tarnwick/ui/apptheme.h"

using namespace tarnwick;
using namespace tarnwick::test;

namespace {

class ThemePreferenceTest : public ::testing::Test {
protected:
    void SetUp() override { m_platform = QApplication::palette(); }
    void TearDown() override { QApplication::setPalette(m_platform); }

    void send(std::string_view line)
    {
        auto request = RPCRequest::decode(line);
        ASSERT_TRUE(request) << line;
        dispatcher(*request);
        io.queue.runAll();
        io.take();
    }
    // The lightness of the popover's own background, inside its rounded frame.
    double popoverBackground()
    {
        TrayPopover popover(tray, {}, clock);
        popover.showAt(QPoint(200, 10));
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&popover));
        const QImage image = popover.grab().toImage();
        return QColor(image.pixel(image.width() / 2, image.height() - 6)).lightnessF();
    }

    QPalette m_platform;
    RecordingTransport io;
    FakeDefaultHandler handler;
    SettingsModel settings{handler};
    ManualClock clock;
    TrayModel tray{clock};
    FakeSystemPaths paths;
    FocusFilterController focus{settings, tray, {io.queue, &paths, [] { return nullptr; }}};
    FakeStatusItemHost host;
    MenuBarController menuBar{tray, focus, host, io.queue, clock};
    NotificationController notifications;
    Dispatcher dispatcher{io.transport, io.queue,
                          HelperComponents{settings, menuBar, notifications, focus,
                                           [](std::shared_ptr<StdioTransport>, std::optional<std::string>) {}}};
    FakeDesktopColorScheme desktop;
};

} // namespace

TEST_F(ThemePreferenceTest, TheMainApplicationsThemeColoursThePopover)
{
    AppTheme theme(desktop);
    ThemePreference::follow(settings, theme);
    EXPECT_GT(popoverBackground(), 0.6) << "the test platform's palette is light";

    send(R"({"id":1,"method":"settings.update","params":{"settings":{"theme":"dark"}}})");
    EXPECT_EQ(theme.appearance(), Appearance::dark);
    EXPECT_LT(popoverBackground(), 0.3);

    send(R"({"id":2,"method":"settings.show","params":{"settings":{"theme":"light"}}})");
    EXPECT_GT(popoverBackground(), 0.6);

    // "system" follows the desktop, live; a forced value would not.
    send(R"({"id":3,"method":"settings.update","params":{"settings":{"theme":"system"}}})");
    desktop.setScheme(ColorScheme::dark);
    EXPECT_LT(popoverBackground(), 0.3);
    desktop.setScheme(ColorScheme::noPreference);
    EXPECT_GT(popoverBackground(), 0.6);
    EXPECT_EQ(QApplication::palette(), m_platform) << "without a preference the platform's palette is back";

    // A value of the wrong kind changes nothing.
    send(R"({"id":4,"method":"settings.update","params":{"settings":{"theme":"dark"}}})");
    send(R"({"id":5,"method":"settings.update","params":{"settings":{"theme":2}}})");
    EXPECT_LT(popoverBackground(), 0.3);
}

TEST_F(ThemePreferenceTest, TheThemeAlreadyHeldIsAppliedWhenFollowingStarts)
{
    settings.update(Object{{"theme", "dark"}});
    AppTheme theme(desktop);
    ASSERT_EQ(theme.appearance(), Appearance::light);
    ThemePreference::follow(settings, theme);
    EXPECT_EQ(theme.appearance(), Appearance::dark);
}
