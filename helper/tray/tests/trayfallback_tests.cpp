// The XEmbed fallback against a test StatusNotifierWatcher on the session bus: the XEmbed icon is
// shown exactly while no watcher with a host shows the item, it carries the item's picture and
// description, its presses open the popover at its foot, and "no tray" is said only when neither
// kind of tray is there. The icon itself is a recording stand-in (the tests run offscreen).

#include <QDBusConnection>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include "helpertestsupport.h"
#include "tarnwick/helper/focusfiltercontroller.h"
#include "tarnwick/helper/menubarcontroller.h"
#include "tarnwick/helper/settingsmodel.h"
#include "tarnwick/helper/statusnotifieritemhost.h"
#include "tarnwick/helper/trayfallback.h"
#include "tarnwick/helper/traymodel.h"
#include "tarnwick/helper/xembedtrayicon.h"
#include "tarnwick/platform/fakesystempaths.h"
#include "tarnwick/platform/focusfilterchangeobserver.h"
#include "tarnwick/rpc/json.h"
#include "teststatusnotifierwatcher.h"

using namespace tarnwick;
using tarnwick::testing::TestStatusNotifierWatcher;

namespace {

Object obj(std::string_view text)
{
    auto value = json::parse(text);
    return value && value->object() ? *value->object() : Object{};
}

class RecordingXEmbedIcon final : public XEmbedTrayIcon {
public:
    void show(PictureSource source, const QString& newToolTip) override
    {
        visible = true;
        picture = std::move(source);
        toolTip = newToolTip;
    }
    void hide() override { visible = false; }
    bool canEmbedNow() const override { return trayThere; }

    bool visible = false;
    bool trayThere = true;
    PictureSource picture;
    QString toolTip;
};

// The mean lightness of the glyph's ink: the fully opaque pixels in the top third, above the badge
// (its halo is translucent).
double inkLightness(const QImage& picture)
{
    double sum = 0;
    int count = 0;
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height() / 3; ++y)
        for (int x = 0; x < argb.width(); ++x)
            if (qAlpha(argb.pixel(x, y)) == 255) {
                sum += QColor(argb.pixel(x, y)).lightnessF();
                ++count;
            }
    return count > 0 ? sum / count : -1;
}

class FallbackFixture : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "run inside scripts/with-session.sh"; }

    bool waitFor(const std::function<bool()>& condition)
    {
        return TestStatusNotifierWatcher::waitUntil(condition);
    }
    bool noWatcherSeen()
    {
        return waitFor([&] {
            return log.contains("W|Tray|No StatusNotifierWatcher on the session bus "
                                "(org.freedesktop.DBus.Error.ServiceUnknown): the tray item is kept in memory only");
        });
    }

    ManualClock clock;
    TrayModel model{clock};
    SettingsModel settings;
    FakeSystemPaths paths;
    test::RecordingTransport io;
    FocusFilterController focus{settings, model, {io.queue, &paths, [] {
                                                       return std::make_unique<FocusFilterChangeObserver>(
                                                           QDBusConnection(QStringLiteral("unconnected")), nullptr);
                                                   }}};
    test::LogCapture log;
    StatusNotifierItemHost host{QDBusConnection::sessionBus(), clock};
    RecordingXEmbedIcon icon;
    TrayFallback fallback{host, icon, QDBusConnection::sessionBus()};
    MenuBarController controller{model, focus, host, io.queue, clock};
};

} // namespace

TEST_F(FallbackFixture, WithoutAWatcherTheIconShowsTheItemsSquarePictureAndDescriptionAndFollowsThem)
{
    controller.create(io.transport);
    controller.updateData(obj(R"({"accounts":[{"id":"w","name":"Work","color":"#2563eb","unreadCount":3}],"totalUnread":3})"));
    ASSERT_TRUE(waitFor([&] { return icon.visible; })) << ::testing::PrintToString(log.records());
    EXPECT_TRUE(fallback.isUsingXEmbed());
    EXPECT_EQ(icon.toolTip, QStringLiteral("Tarnwick, Work 3 unread"));
    ASSERT_TRUE(icon.picture);
    // Square at the tray's size, its glyph inked against the tray's own colour (a black bar such
    // as i3bar's gets light ink); the badge's red is the same on both.
    const QImage onDark = icon.picture(16, Qt::black), onLight = icon.picture(16, Qt::white);
    EXPECT_EQ(onDark.size(), QSize(16, 16));
    EXPECT_EQ(icon.picture(24, Qt::black).size(), QSize(24, 24));
    EXPECT_GT(inkLightness(onDark), inkLightness(onLight) + 0.2);

    // New counts reach the icon: a new picture and description.
    const QImage before = icon.picture(22, Qt::white);
    // The item redraws on the next turn of the event loop.
    controller.updateData(obj(R"({"accounts":[{"id":"w","name":"Work","color":"#2563eb","unreadCount":12}],"totalUnread":12})"));
    ASSERT_TRUE(waitFor([&] { return icon.toolTip == QStringLiteral("Tarnwick, Work 12 unread"); })) << icon.toolTip.toStdString();
    EXPECT_NE(icon.picture(22, Qt::white), before);
}

TEST_F(FallbackFixture, AWatcherTakesTheItemOverAndTheIconReturnsWhenTheWatcherGoes)
{
    controller.create(io.transport);
    ASSERT_TRUE(waitFor([&] { return icon.visible; }));

    TestStatusNotifierWatcher watcher;
    ASSERT_TRUE(watcher.start());
    ASSERT_TRUE(waitFor([&] { return host.isRegistered() && !icon.visible; }))
        << "the item must not show twice; log: " << ::testing::PrintToString(log.records());
    EXPECT_FALSE(fallback.isUsingXEmbed());

    watcher.stop();
    ASSERT_TRUE(waitFor([&] { return icon.visible; })) << "a tray that went away leaves the item nowhere";

    ASSERT_TRUE(watcher.start());
    EXPECT_TRUE(waitFor([&] { return !icon.visible; }));
}

TEST_F(FallbackFixture, AWatcherWithoutAHostLeavesTheIconUntilAHostRegisters)
{
    TestStatusNotifierWatcher watcher;
    watcher.setHostRegistered(false);
    ASSERT_TRUE(watcher.start());
    controller.create(io.transport);
    ASSERT_TRUE(waitFor([&] { return host.isRegistered() && icon.visible; }))
        << ::testing::PrintToString(log.records());
    EXPECT_TRUE(log.contains("I|Tray|The StatusNotifierWatcher has no host to show the tray item"));

    watcher.setHostRegistered(true);
    EXPECT_TRUE(waitFor([&] { return !icon.visible; }));
}

TEST_F(FallbackFixture, NoTrayIsSaidOnlyWhenNeitherAWatcherNorAnXEmbedTrayIsThere)
{
    QSignalSpy noTray(&fallback, &TrayFallback::noTray);

    // No watcher, but an XEmbed tray: the item shows there and nothing is said.
    icon.trayThere = true;
    controller.create(io.transport);
    ASSERT_TRUE(noWatcherSeen());
    ASSERT_TRUE(waitFor([&] { return icon.visible; }));
    EXPECT_EQ(noTray.count(), 0);

    // The XEmbed tray goes away while there is still no watcher.
    icon.trayThere = false;
    Q_EMIT icon.trayMissing();
    EXPECT_EQ(noTray.count(), 1);

    // With a watcher, an XEmbed tray that goes away does not matter.
    TestStatusNotifierWatcher watcher;
    ASSERT_TRUE(watcher.start());
    ASSERT_TRUE(waitFor([&] { return !icon.visible; }));
    Q_EMIT icon.trayMissing();
    EXPECT_EQ(noTray.count(), 1);
}

TEST_F(FallbackFixture, NoTrayIsSaidAtOnceWhenThereIsNoTrayOfEitherKind)
{
    QSignalSpy noTray(&fallback, &TrayFallback::noTray);
    icon.trayThere = false;
    controller.create(io.transport);
    ASSERT_TRUE(noWatcherSeen());
    EXPECT_TRUE(waitFor([&] { return noTray.count() == 1; }));
}

TEST_F(FallbackFixture, APressOnTheIconOpensThePopoverAtTheIconsFoot)
{
    controller.create(io.transport);
    ASSERT_TRUE(waitFor([&] { return icon.visible; }));
    io.take();

    Q_EMIT icon.pressed(QPoint(700, 24));
    EXPECT_EQ(host.lastClickPoint(), QPoint(700, 24));
    EXPECT_TRUE(host.isPopoverShown());
    const auto lines = io.take();
    EXPECT_NE(std::find(lines.begin(), lines.end(), R"({"method":"tray.popoverOpened"})"), lines.end());
    controller.destroy();
}
