// The tray item on the session bus, in process, against a test StatusNotifierWatcher: registration,
// properties, clicks and change signals, and what happens without a watcher or a bus.

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QToolButton>
#include <climits>
#include <gtest/gtest.h>
#include <unistd.h>

#include "helpertestsupport.h"
#include "tarnwick/helper/focusfiltercontroller.h"
#include "tarnwick/helper/menubarcontroller.h"
#include "tarnwick/helper/settingsmodel.h"
#include "tarnwick/helper/statusnotifieritemhost.h"
#include "tarnwick/helper/traymodel.h"
#include "tarnwick/helper/traypicture.h"
#include "tarnwick/helper/traypopover.h"
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

bool contains(const std::vector<std::string>& lines, std::string_view line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// A menu bar controller wired to the real host on the test's session bus, with a hand-moved clock.
class SniFixture : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "run inside scripts/with-session.sh"; }

    ManualClock clock;
    TrayModel model{clock};
    SettingsModel settings;
    FakeSystemPaths paths;
    test::RecordingTransport io;
    FocusFilterController focus{settings, model, {io.queue, &paths, [] {
                                                       return std::make_unique<FocusFilterChangeObserver>(
                                                           QDBusConnection(QStringLiteral("unconnected")), nullptr);
                                                   }}};
    StatusNotifierItemHost host{QDBusConnection::sessionBus(), clock};
    MenuBarController controller{model, focus, host, io.queue, clock};
    test::LogCapture log;

    bool registered()
    {
        return TestStatusNotifierWatcher::waitUntil([&] { return host.isRegistered(); });
    }
};

} // namespace

TEST_F(SniFixture, RegistersWithTheWatcherUnderAServiceNameOfItsOwn)
{
    TestStatusNotifierWatcher watcher;
    ASSERT_TRUE(watcher.start());
    controller.create(io.transport);
    ASSERT_TRUE(registered()) << ::testing::PrintToString(log.records());

    const QRegularExpression pattern(QStringLiteral("^org\\.kde\\.StatusNotifierItem-%1-(\\d+)$").arg(::getpid()));
    const auto match = pattern.match(host.serviceName());
    ASSERT_TRUE(match.hasMatch()) << host.serviceName().toStdString();
    EXPECT_EQ(watcher.registeredItems(), QStringList{host.serviceName()});
    EXPECT_EQ(watcher.lastRegistrant(), QDBusConnection::sessionBus().baseService());
    EXPECT_TRUE(QDBusConnection::sessionBus().interface()->isServiceRegistered(host.serviceName()));
    EXPECT_TRUE(log.contains("I|Tray|Tray item registered as " + host.serviceName().toStdString()));

    // A second item of the same process gets the next number (on a connection of its own: one
    // connection exports one object at the item's path).
    QDBusConnection otherBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("second-item"));
    StatusNotifierItemHost second(otherBus, clock);
    second.attach({});
    ASSERT_TRUE(TestStatusNotifierWatcher::waitUntil([&] { return second.isRegistered(); }));
    const auto secondMatch = pattern.match(second.serviceName());
    ASSERT_TRUE(secondMatch.hasMatch());
    EXPECT_GT(secondMatch.captured(1).toInt(), match.captured(1).toInt());
    second.remove();
    QDBusConnection::disconnectFromBus(QStringLiteral("second-item"));

    // Removing the item gives its name up.
    const QString name = host.serviceName();
    controller.destroy();
    EXPECT_FALSE(QDBusConnection::sessionBus().interface()->isServiceRegistered(name));
}

TEST_F(SniFixture, PropertiesCarryThePictureAndTheSpokenDescription)
{
    TestStatusNotifierWatcher watcher;
    ASSERT_TRUE(watcher.start());
    controller.create(io.transport);
    controller.updateData(obj(R"({"accounts":[{"id":"w","name":"Work","color":"#ff0000","unreadCount":3},{"id":"o","name":"Old","needsAuth":true}]})"));
    ASSERT_TRUE(registered());
    const QString service = host.serviceName();

    const QString description = QStringLiteral("Tarnwick, Work 3 unread, Old needs sign-in");
    EXPECT_EQ(watcher.itemProperty(service, "Title").toString(), description);
    const SniToolTip tip = watcher.toolTip(service);
    EXPECT_EQ(tip.title, description);
    EXPECT_EQ(watcher.itemProperty(service, "Category").toString(), "Communications");
    EXPECT_EQ(watcher.itemProperty(service, "Status").toString(), "Active");
    EXPECT_EQ(watcher.itemProperty(service, "Id").toString(), "com.fenmoorlab.tarnwick");
    EXPECT_FALSE(watcher.itemProperty(service, "ItemIsMenu").toBool());

    // A tray host it does not know gets square pictures at the usual icon sizes, and the per-account
    // numbers as a label beside them.
    const SniImageList pixmaps = watcher.iconPixmap(service);
    ASSERT_EQ(static_cast<std::size_t>(pixmaps.size()), std::size(traypicture::kSquareSides));
    for (qsizetype i = 0; i < pixmaps.size(); ++i) {
        const QImage image = pixmaps[i].toImage();
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.width(), traypicture::kSquareSides[i]);
        EXPECT_EQ(image.height(), traypicture::kSquareSides[i]);
    }
    EXPECT_EQ(pixmaps[1].toImage(), host.iconImage().convertToFormat(QImage::Format_ARGB32));
    EXPECT_EQ(watcher.itemProperty(service, "XAyatanaLabel").toString(), "3 0");
}

TEST_F(SniFixture, TitleChangesAreSignalledAndRepeatsAreNot)
{
    TestStatusNotifierWatcher watcher;
    ASSERT_TRUE(watcher.start());
    controller.create(io.transport);
    ASSERT_TRUE(registered());
    const QString service = host.serviceName();
    watcher.watchItemSignals(service);
    // Round trip so the match rules are in place before the item changes.
    watcher.itemProperty(service, "Id");

    controller.updateData(obj(R"({"accounts":[{"id":"w","name":"Work","unreadCount":3}]})"));
    ASSERT_TRUE(TestStatusNotifierWatcher::waitUntil([&] {
        return watcher.signalCount("NewIcon") == 1 && watcher.signalCount("NewTitle") == 1 &&
               watcher.signalCount("NewToolTip") == 1;
    }));
    EXPECT_EQ(watcher.itemProperty(service, "Title").toString(), "Tarnwick, Work 3 unread");

    // The same data again: nothing changed, nothing is signalled (the property read flushes the bus).
    controller.updateData(obj(R"({"accounts":[{"id":"w","name":"Work","unreadCount":3}]})"));
    watcher.itemProperty(service, "Id");
    EXPECT_EQ(watcher.signalCount("NewIcon"), 1);
    EXPECT_EQ(watcher.signalCount("NewTitle"), 1);

    // Dots instead of counts: a new picture, the same description.
    controller.updateData(obj(R"({"unreadDisplay":"dots"})"));
    ASSERT_TRUE(TestStatusNotifierWatcher::waitUntil([&] { return watcher.signalCount("NewIcon") == 2; }));
    watcher.itemProperty(service, "Id");
    EXPECT_EQ(watcher.signalCount("NewTitle"), 1);
    EXPECT_EQ(watcher.signalCount("NewToolTip"), 1);
}

TEST_F(SniFixture, ABurstOfUpdatesRedrawsOnceWithTheLastCounts)
{
    TestStatusNotifierWatcher watcher;
    ASSERT_TRUE(watcher.start());
    controller.create(io.transport);
    ASSERT_TRUE(registered());
    const QString service = host.serviceName();
    watcher.watchItemSignals(service);
    watcher.itemProperty(service, "Id");
    QSignalSpy icons(&host, &StatusNotifierItemHost::iconChanged);
    QSignalSpy titles(&host, &StatusNotifierItemHost::titleChanged);
    QSignalSpy labels(&host, &StatusNotifierItemHost::labelChanged);
    const auto counts = [&](int unread) {
        controller.updateData(obj(R"({"accounts":[{"id":"w","name":"Work","unreadCount":)" + std::to_string(unread) +
                                  R"(}],"totalUnread":)" + std::to_string(unread) + "}"));
    };

    // A sync of many accounts in one go: nothing is drawn until the event loop turns, then once.
    for (int unread = 1; unread <= 50; ++unread)
        counts(unread);
    EXPECT_EQ(icons.count(), 0);
    EXPECT_EQ(host.title(), "Tarnwick, Work 50 unread") << "the description itself is current at once";
    ASSERT_TRUE(icons.wait(5000));
    EXPECT_EQ(icons.count(), 1);
    EXPECT_EQ(titles.count(), 1);
    EXPECT_EQ(labels.count(), 1);
    EXPECT_EQ(host.label(), "50");
    ASSERT_TRUE(TestStatusNotifierWatcher::waitUntil([&] { return watcher.signalCount("NewIcon") == 1; }));
    watcher.itemProperty(service, "Id");
    EXPECT_EQ(watcher.signalCount("NewIcon"), 1);
    EXPECT_EQ(watcher.signalCount("NewTitle"), 1);
    EXPECT_EQ(watcher.signalCount("NewToolTip"), 1);
    EXPECT_EQ(watcher.itemProperty(service, "XAyatanaLabel").toString(), "50");
    EXPECT_EQ(watcher.iconPixmap(service).at(1).toImage(), host.iconImage().convertToFormat(QImage::Format_ARGB32));

    // Counts that move and come back within one turn leave nothing to announce.
    counts(51);
    counts(50);
    QCoreApplication::processEvents();
    watcher.itemProperty(service, "Id");
    EXPECT_EQ(icons.count(), 1);
    EXPECT_EQ(titles.count(), 1);
    EXPECT_EQ(watcher.signalCount("NewIcon"), 1);
    EXPECT_EQ(watcher.signalCount("NewTitle"), 1);
}

TEST_F(SniFixture, ActivateTogglesThePopoverBelowTheClick)
{
    TestStatusNotifierWatcher watcher;
    ASSERT_TRUE(watcher.start());
    controller.create(io.transport);
    controller.updateData(obj(R"({"accounts":[{"id":"a","name":"A"},{"id":"b","name":"B"}]})"));
    ASSERT_TRUE(registered());
    const QString service = host.serviceName();

    // The events an opening sends: tray_process_tests, through the real program.
    watcher.callItem(service, "Activate", {200, 30});
    ASSERT_TRUE(TestStatusNotifierWatcher::waitUntil([&] { return host.isPopoverShown(); }));
    EXPECT_EQ(host.lastClickPoint(), std::optional<QPoint>(QPoint(200, 30)));
    ASSERT_NE(host.popover(), nullptr);
    EXPECT_EQ(host.popover()->width(), 340);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(host.popover()->pos(), TrayPopover::placement({200, 30}, host.popover()->size(), screen));
    EXPECT_EQ(host.popover()->y(), 30 + TrayPopover::kGap) << "opens downwards from the click";

    // The next press closes it; one right after the close does not reopen it.
    watcher.callItem(service, "Activate", {200, 30});
    ASSERT_TRUE(TestStatusNotifierWatcher::waitUntil([&] { return !host.isPopoverShown(); }));
    watcher.callItem(service, "SecondaryActivate", {200, 30});
    watcher.itemProperty(service, "Id"); // the call above has been handled
    EXPECT_FALSE(host.isPopoverShown()) << "debounced";

    clock.advance(MenuBarController::kToggleDebounce + 0.01);
    watcher.callItem(service, "ContextMenu", {0, 0});
    ASSERT_TRUE(TestStatusNotifierWatcher::waitUntil([&] { return host.isPopoverShown(); }))
        << "a right click opens it too";
    EXPECT_EQ(host.lastClickPoint(), std::nullopt) << "(0, 0) is no point";

    // A point at the ends of the integers (any program on the bus can send one): the popover still
    // opens on a screen, with no overflow on the way (the sanitizer build checks).
    watcher.callItem(service, "ContextMenu", {200, 30});
    ASSERT_TRUE(TestStatusNotifierWatcher::waitUntil([&] { return !host.isPopoverShown(); }));
    for (const int extreme : {INT_MAX, INT_MIN}) {
        clock.advance(MenuBarController::kToggleDebounce + 0.01);
        watcher.callItem(service, "ContextMenu", {extreme, extreme});
        ASSERT_TRUE(TestStatusNotifierWatcher::waitUntil([&] { return host.isPopoverShown(); })) << extreme;
        EXPECT_TRUE(screen.intersects(host.popover()->geometry())) << extreme;
        clock.advance(MenuBarController::kToggleDebounce + 0.01);
        watcher.callItem(service, "ContextMenu", {extreme, extreme});
        ASSERT_TRUE(TestStatusNotifierWatcher::waitUntil([&] { return !host.isPopoverShown(); })) << extreme;
    }
    controller.destroy();
    EXPECT_FALSE(host.isPopoverShown());
}

TEST_F(SniFixture, PopoverClosingByItselfIsReportedToTheController)
{
    TestStatusNotifierWatcher watcher;
    ASSERT_TRUE(watcher.start());
    controller.create(io.transport);
    host.press(300, 20);
    ASSERT_TRUE(host.isPopoverShown());
    QPointer<TrayPopover> first = host.popover();

    // A click elsewhere closes the popup; the tray's own press arrives right after and is ignored.
    first->close();
    EXPECT_FALSE(host.isPopoverShown());
    host.press(300, 20);
    EXPECT_FALSE(host.isPopoverShown());

    clock.advance(0.3);
    host.press(300, 20);
    ASSERT_TRUE(host.isPopoverShown());
    EXPECT_NE(host.popover(), first.data()) << "every opening builds a new popover";
    TestStatusNotifierWatcher::waitUntil([&] { return first.isNull(); });
    EXPECT_TRUE(first.isNull()) << "the closed popover is deleted";

    // Its controls reach the controller: Open Inbox sends the event and closes the popover.
    io.take();
    auto* openInbox = host.popover()->findChild<QToolButton*>("openInboxButton");
    ASSERT_NE(openInbox, nullptr);
    openInbox->click();
    EXPECT_EQ(io.take(), std::vector<std::string>{R"({"method":"tray.showAccount","params":{"accountId":""}})"});
    EXPECT_FALSE(host.isPopoverShown());
}

TEST_F(SniFixture, WithoutAWatcherTheItemWarnsAndKeepsWorking)
{
    QSignalSpy failed(&host, &StatusNotifierItemHost::registrationFailed);
    QSignalSpy missing(&host, &StatusNotifierItemHost::trayHostMissing);
    controller.create(io.transport);
    ASSERT_TRUE(failed.count() > 0 || failed.wait(10000));
    EXPECT_EQ(missing.count(), 1) << "no watcher means no tray at all";
    EXPECT_TRUE(log.contains("W|Tray|No StatusNotifierWatcher on the session bus "
                             "(org.freedesktop.DBus.Error.ServiceUnknown): the tray item is kept in memory only"))
        << ::testing::PrintToString(log.records());
    EXPECT_FALSE(host.isRegistered());
    EXPECT_TRUE(host.hasButton());

    controller.updateData(obj(R"({"accounts":[{"id":"w","name":"Work","unreadCount":2}]})"));
    EXPECT_EQ(host.title(), "Tarnwick, Work 2 unread");
    host.press(0, 0);
    EXPECT_TRUE(host.isPopoverShown());
    EXPECT_TRUE(contains(io.take(), R"({"method":"tray.popoverOpened"})"));
    EXPECT_TRUE(log.contains("I|Tray|The tray popover opened offscreen: nothing is shown on a screen"))
        << "the tests run on Qt's offscreen platform";

    // A tray that starts later gets the item.
    TestStatusNotifierWatcher watcher;
    ASSERT_TRUE(watcher.start());
    ASSERT_TRUE(registered());
    EXPECT_EQ(watcher.registeredItems(), QStringList{host.serviceName()});
}

TEST(SniWithoutBus, WarnsAndKeepsTheItemInMemory)
{
    test::LogCapture log;
    StatusNotifierItemHost host(QDBusConnection(QStringLiteral("tarnwick-no-such-connection")));
    QSignalSpy failed(&host, &StatusNotifierItemHost::registrationFailed);
    int presses = 0;
    host.attach({[&] { ++presses; }, {}, {}, {}});
    EXPECT_EQ(failed.count(), 1);
    EXPECT_TRUE(log.contains("W|Tray|No session bus: the tray item is kept in memory only"));
    EXPECT_TRUE(host.hasButton());
    EXPECT_TRUE(host.serviceName().isEmpty());
    host.setTitle({}, "Tarnwick, no accounts");
    EXPECT_EQ(host.title(), "Tarnwick, no accounts");
    EXPECT_FALSE(host.iconImage().isNull()) << "the picture is still drawn";
    host.press(10, 10);
    EXPECT_EQ(presses, 1);
    host.remove();
    EXPECT_FALSE(host.hasButton());
}
