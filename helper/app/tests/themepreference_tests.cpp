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

namespace {

// Pixels that differ visibly between two pictures of the same size.
int visiblyDifferentPixels(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return a.width() * a.height();
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
            count += std::max({std::abs(p.red() - q.red()), std::abs(p.green() - q.green()),
                               std::abs(p.blue() - q.blue()), std::abs(p.alpha() - q.alpha())}) > 24;
        }
    return count;
}

} // namespace

TEST_F(ThemePreferenceTest, AnOpenPopoverTakesTheNewThemeWhollyAsIfOpenedInIt)
{
    AppTheme theme(desktop);
    ThemePreference::follow(settings, theme);
    send(R"({"id":1,"method":"tray.update","params":{"accounts":[{"id":"w","name":"Work","email":"w@example.com","color":"#2563eb","unreadCount":3},{"id":"h","name":"Home","email":"h@example.com","color":"#16a34a","unreadCount":0,"needsAuth":true}],"totalUnread":3}})");
    send(R"({"id":2,"method":"tray.messages","params":{"accountId":"w","messages":[{"id":"m1","threadId":"t1","subject":"Quarterly report","from":"Ann Lee <ann@example.com>","snippet":"Numbers attached","internalDate":"1765400000000","category":"primary","labelIds":["UNREAD"]},{"id":"m2","threadId":"t2","subject":"Lunch?","from":"Bob <bob@example.com>","snippet":"Noon","internalDate":"1765300000000","category":"social","labelIds":[]}]}})");
    send(R"({"id":3,"method":"tray.verificationCode","params":{"code":"482913","messageId":"m9","threadId":"t9","accountId":"w","service":"Example Bank"}})");
    const auto opened = [&] {
        auto popover = std::make_unique<TrayPopover>(tray, TrayPopoverActions{}, clock);
        popover->showAt(QPoint(200, 10));
        EXPECT_TRUE(QTest::qWaitForWindowExposed(popover.get()));
        return popover;
    };
    const auto open = opened();
    const QImage light = open->grab().toImage();

    // The widgets' own palettes follow the application's through posted events: let them.
    send(R"({"id":4,"method":"settings.update","params":{"settings":{"theme":"dark"}}})");
    QTest::qWait(20);
    const QImage switched = open->grab().toImage();
    EXPECT_LE(visiblyDifferentPixels(switched, opened()->grab().toImage()), 40)
        << "labels, icons and fields turned dark with the background";

    send(R"({"id":5,"method":"settings.update","params":{"settings":{"theme":"light"}}})");
    QTest::qWait(20);
    EXPECT_LE(visiblyDifferentPixels(open->grab().toImage(), light), 40);
}
