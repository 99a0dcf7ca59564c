// The desktop window: its timelines, refresh schedule, reload broadcast, configuration and links.
#include <QDBusConnection>
#include <QDir>
#include <QDBusMessage>
#include <QEventLoop>
#include <QTimer>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "recordinglog.h"
#include "tarnwick/widgets/linkopener.h"
#include "tarnwick/widgets/reloadlistener.h"
#include "tarnwick/widgets/views/messagerow.h"
#include "tarnwick/widgets/views/widgetcontainer.h"
#include "tarnwick/widgets/views/widgetheader.h"
#include "tarnwick/widgets/views/widgetrenderer.h"
#include "tarnwick/widgets/widgethostwindow.h"
#include "viewtestsupport.h"

using namespace tarnwick;
using namespace tarnwick::testing;

namespace {

class FakeOpener final : public LinkOpener {
public:
    QStringList opened;
    void open(const QString& link) override { opened << link; }
};

struct Harness {
    RecordingLog log;
    int loads = 0;
    QDateTime now = QDateTime(QDate(2026, 3, 10), QTime(15, 0), QTimeZone::utc());
    WidgetCache cache = snapshot(2, 4);
    FakeOpener opener;

    int step = 0; ///< seconds the clock moves on at every reading

    ProviderContext context()
    {
        return {[this] {
                    const QDateTime reading = now;
                    now = now.addSecs(step);
                    return reading;
                },
                [this] { ++loads; return cache; }, &log};
    }
    std::function<WidgetEnvironment()> environment()
    {
        return [] { return fixedEnvironment(); };
    }
};

int count(const std::vector<std::string>& lines, const std::string& line)
{
    return int(std::count(lines.begin(), lines.end(), line));
}

} // namespace

TEST(WidgetHostWindow, StartsWithOneTimelinePerWidgetAndSchedulesTheNext)
{
    Harness h;
    WidgetHostWindow window(h.context(), h.opener, h.environment());
    EXPECT_EQ(h.loads, 4);
    EXPECT_EQ(count(h.log.lines, "info|getTimeline requested"), 2);
    EXPECT_EQ(count(h.log.lines, "info|timeline requested"), 2);
    for (const WidgetKindInfo& info : widgetkind::allKinds) {
        WidgetSlot* slot = window.slot(info.kind);
        ASSERT_NE(slot->widget(), nullptr);
        EXPECT_EQ(slot->widget()->kind(), info.kind);
        EXPECT_EQ(slot->timeline().reloadAfter, h.now.addSecs(15 * 60));
        EXPECT_GT(slot->msUntilRefresh(), 15 * 60 * 1000 - 5000);
        EXPECT_LE(slot->msUntilRefresh(), 15 * 60 * 1000);
    }
}

TEST(WidgetHostWindow, RefreshesWhenTheRefreshTimeHasPassed)
{
    Harness h;
    WidgetSlot slot(WidgetKind::recents, h.context(), h.environment());
    // A clock that runs sixteen minutes per reading: by the time the refresh is scheduled it is due.
    h.step = 16 * 60;
    slot.reloadTimeline();
    ASSERT_EQ(h.loads, 1);
    h.cache.messages.resize(1);
    QSignalSpy spy(&slot, &WidgetSlot::timelineReloaded);
    ASSERT_TRUE(spy.wait(5000)) << "the scheduled refresh came";
    h.step = 0;
    EXPECT_GE(h.loads, 2);
    EXPECT_EQ(shown<MessageRow>(slot.widget()).size(), 1u) << "the widget shows the fresh snapshot";
}

TEST(WidgetHostWindow, EarlyTimerAfterTheClockWentBackWaitsForTheRest)
{
    Harness h;
    WidgetSlot slot(WidgetKind::unread, h.context(), h.environment());
    slot.reloadTimeline();
    h.now = h.now.addSecs(-60 * 60); // set back an hour
    slot.refreshIfDue();
    EXPECT_EQ(h.loads, 1) << "not due by the wall clock";
    EXPECT_GT(slot.msUntilRefresh(), 74 * 60 * 1000);
    h.now = h.now.addSecs(75 * 60);
    slot.refreshIfDue();
    EXPECT_EQ(h.loads, 2);
}

TEST(WidgetHostWindow, ReloadBroadcastRefreshesEveryWidget)
{
    Harness h;
    WidgetHostWindow window(h.context(), h.opener, h.environment());
    ReloadListener listener;
    ASSERT_TRUE(listener.isListening()) << "needs the session bus of scripts/with-session.sh";
    QObject::connect(&listener, &ReloadListener::reloadRequested, &window, &WidgetHostWindow::reloadAllTimelines);
    QSignalSpy dashboard(window.slot(WidgetKind::dashboard), &WidgetSlot::timelineReloaded);
    h.cache.totalUnread = 99;

    // An unrelated signal on the same path must not count. Signals from one connection arrive in
    // the order sent, so once a marker sent after it is in, the unrelated one has been handled.
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString markerPath = QStringLiteral("/com/fenmoorlab/tarnwick/test/marker");
    QEventLoop markerArrived;
    ASSERT_TRUE(bus.connect(QString(), markerPath, reloadsignal::kInterface, QStringLiteral("marker"),
                            &markerArrived, SLOT(quit())));
    QTimer::singleShot(10000, &markerArrived, &QEventLoop::quit);
    ASSERT_TRUE(bus.send(QDBusMessage::createSignal(reloadsignal::kPath, reloadsignal::kInterface, "somethingElse")));
    ASSERT_TRUE(bus.send(QDBusMessage::createSignal(markerPath, reloadsignal::kInterface, "marker")));
    markerArrived.exec();
    QCoreApplication::processEvents();
    EXPECT_EQ(dashboard.count(), 0) << "an unrelated signal reloaded the widgets";

    // Another process broadcasts the reload.
    ASSERT_TRUE(bus.send(QDBusMessage::createSignal(reloadsignal::kPath, reloadsignal::kInterface, reloadsignal::kMember)));
    ASSERT_TRUE(dashboard.wait(10000));
    EXPECT_EQ(dashboard.count(), 1);
    EXPECT_EQ(h.loads, 8);
    auto* header = window.slot(WidgetKind::dashboard)->widget()->findChild<WidgetHeader*>();
    ASSERT_NE(header, nullptr);
    EXPECT_TRUE(texts(header).contains("99 unread"));
}

TEST(WidgetHostWindow, ListenerWithoutABusNeverFires)
{
    const QDBusConnection none = QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"),
                                                               QStringLiteral("tarnwick-no-bus"));
    ReloadListener listener(none, nullptr);
    EXPECT_FALSE(listener.isListening());
    QDBusConnection::disconnectFromBus(QStringLiteral("tarnwick-no-bus"));
}

TEST(WidgetHostWindow, UnreadOnlyConfigurationReloadsThreadListWidgets)
{
    Harness h;
    h.cache.messages[0].unread = false;
    h.cache.messages[2].unread = false;
    WidgetSlot slot(WidgetKind::dashboard, h.context(), h.environment());
    slot.reloadTimeline();
    EXPECT_EQ(shown<MessageRow>(slot.widget()).size(), 4u);
    slot.setConfiguration({true});
    EXPECT_EQ(h.loads, 2);
    EXPECT_EQ(shown<MessageRow>(slot.widget()).size(), 2u);
    EXPECT_TRUE(texts(slot.widget()).contains("7 unread")) << "totals unchanged";
    slot.setConfiguration({true});
    EXPECT_EQ(h.loads, 2) << "an unchanged configuration asks nothing";
}

TEST(WidgetHostWindow, ClickedLinksGoToTheOpener)
{
    Harness h;
    WidgetHostWindow window(h.context(), h.opener, h.environment());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    WidgetContainer* recents = window.slot(WidgetKind::recents)->widget();
    auto* link = recents->findChild<LinkArea*>("threadLink");
    ASSERT_NE(link, nullptr);
    QWidget* target = link->childAt(QPoint(40, 10));
    ASSERT_NE(target, nullptr);
    QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(link, QPoint(40, 10)));
    EXPECT_EQ(h.opener.opened, QStringList{"tarnwick://thread/t0?account=acc0"});
}

// Not compared, only looked at: the whole window at 2x, under the build tree.
TEST(WidgetHostWindow, ReviewImageOfTheWindow)
{
    Harness h;
    h.cache = snapshot(4, 6, 23);
    h.cache.messages[1].unread = false;
    h.cache.messages[3].category = "forums";
    WidgetHostWindow window(h.context(), h.opener, h.environment());
    window.adjustSize();
    const QImage image = renderWidget(window, 2.0);
    EXPECT_EQ(image.size(), window.size() * 2);
    EXPECT_GE(window.width(), 170 + 364 + 20);
    ASSERT_TRUE(QDir().mkpath(QStringLiteral(TARNWICK_REVIEW_DIR)));
    EXPECT_TRUE(image.save(QStringLiteral(TARNWICK_REVIEW_DIR "/widgets-window.png")));
}

// Any program can broadcast the reload as often as it likes: the window reloads (and logs) only
// when the snapshot changed since its last reload.
TEST(WidgetHostWindow, ARequestedReloadWithTheSameSnapshotCostsNothing)
{
    Harness h;
    std::string version = "v1";
    ProviderContext context = h.context();
    context.fingerprint = [&version] { return version; };
    WidgetHostWindow window(context, h.opener, h.environment());
    ASSERT_EQ(h.loads, 4);
    const auto lines = h.log.lines.size();
    for (int i = 0; i < 100; ++i)
        window.reloadIfChanged();
    EXPECT_EQ(h.loads, 4);
    EXPECT_EQ(h.log.lines.size(), lines);

    version = "v2";
    window.reloadIfChanged();
    window.reloadIfChanged();
    EXPECT_EQ(h.loads, 8) << "one reload of the four widgets for the new snapshot";
}
