// The Qt monitor in front of a real window: events delivered to the window's QWindow are translated,
// recognised and swallowed before the content sees them.
#include <gtest/gtest.h>

#include <QMainWindow>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QPointingDevice>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <QWindow>

#include "tarnwick/native/mousenavigationmonitor.h"

using namespace tarnwick::native;

namespace {

// Counts what reaches the content.
class Content : public QWidget {
public:
    int presses = 0, releases = 0, wheels = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
    void mouseReleaseEvent(QMouseEvent*) override { ++releases; }
    void wheelEvent(QWheelEvent*) override { ++wheels; }
};

bool sendMouse(QWindow* window, QEvent::Type type, Qt::MouseButton button)
{
    const QPointF pos(50, 50);
    QMouseEvent event(type, pos, window->mapToGlobal(pos), button,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : button, Qt::NoModifier);
    event.setTimestamp(0);
    return QCoreApplication::sendEvent(window, &event);
}

void sendWheel(QWindow* window, QPoint pixels, Qt::ScrollPhase phase, QPoint angle = {})
{
    const QPointF pos(50, 50);
    QWheelEvent event(pos, window->mapToGlobal(pos), pixels, angle.isNull() ? pixels * 2 : angle, Qt::NoButton,
                      Qt::NoModifier, phase, false);
    QCoreApplication::sendEvent(window, &event);
}

class MonitorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.resize(300, 200);
        content = new Content;
        window.setCentralWidget(content);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.activateWindow();
        monitor.install(&window);
    }

    QMainWindow window;
    Content* content = nullptr;
    std::vector<NavigationDirection> directions;
    MouseNavigationMonitor monitor{[this](NavigationDirection d, NavigationSource) { directions.push_back(d); }};
};

} // namespace

TEST_F(MonitorTest, SideButtonsNavigateAndNeverReachTheContent)
{
    sendMouse(window.windowHandle(), QEvent::MouseButtonPress, Qt::ForwardButton);
    sendMouse(window.windowHandle(), QEvent::MouseButtonRelease, Qt::ForwardButton);
    EXPECT_EQ(directions, (std::vector<NavigationDirection>{NavigationDirection::Forward}));
    EXPECT_EQ(content->presses + content->releases, 0);

    sendMouse(window.windowHandle(), QEvent::MouseButtonPress, Qt::LeftButton);
    sendMouse(window.windowHandle(), QEvent::MouseButtonRelease, Qt::LeftButton);
    EXPECT_EQ(content->presses, 1) << "ordinary clicks pass";
    EXPECT_EQ(content->releases, 1);
    EXPECT_EQ(directions.size(), 1u);

    monitor.remove();
    sendMouse(window.windowHandle(), QEvent::MouseButtonPress, Qt::BackButton);
    EXPECT_EQ(content->presses, 2) << "after remove() nothing is filtered";
}

TEST_F(MonitorTest, AClaimedTrackpadScrollIsSwallowedUntilItsEnd)
{
    sendWheel(window.windowHandle(), {-10, 0}, Qt::ScrollBegin);
    sendWheel(window.windowHandle(), {-20, 1}, Qt::ScrollUpdate);
    sendWheel(window.windowHandle(), {-20, 1}, Qt::ScrollUpdate);
    const int beforeEnd = content->wheels;
    sendWheel(window.windowHandle(), {0, 0}, Qt::ScrollEnd);
    EXPECT_EQ(beforeEnd, 1) << "only the event before the claim reached the content";
    EXPECT_EQ(content->wheels, 2) << "the ending event passes";
    EXPECT_EQ(directions, (std::vector<NavigationDirection>{NavigationDirection::Forward}));
}

TEST_F(MonitorTest, PhaselessWheelScrollsEndAfterThePause)
{
    monitor.setSources(NavigationSources::all());
    sendWheel(window.windowHandle(), {}, Qt::NoScrollPhase, {240, 0}); // two notches: 30 points
    EXPECT_TRUE(directions.empty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !directions.empty(); }, 5000));
    EXPECT_EQ(directions, (std::vector<NavigationDirection>{NavigationDirection::Back}));
}

TEST_F(MonitorTest, EventsOfAnotherWindowPassUntouched)
{
    QMainWindow other;
    auto* otherContent = new Content;
    other.setCentralWidget(otherContent);
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    sendMouse(other.windowHandle(), QEvent::MouseButtonPress, Qt::BackButton);
    sendMouse(other.windowHandle(), QEvent::MouseButtonRelease, Qt::BackButton);
    EXPECT_TRUE(directions.empty());
    EXPECT_EQ(otherContent->presses, 1);
}

TEST(MonitorTranslation, QtEventsBecomeRecogniserRecords)
{
    using Kind = NavigationInput::Kind;
    const QPointF pos(1, 1);
    QMouseEvent back(QEvent::MouseButtonRelease, pos, pos, Qt::BackButton, Qt::NoButton, Qt::NoModifier);
    EXPECT_EQ(MouseNavigationMonitor::translate(&back).kind, Kind::OtherMouseUp);
    EXPECT_EQ(MouseNavigationMonitor::translate(&back).buttonNumber, 3);
    QMouseEvent middle(QEvent::MouseButtonDblClick, pos, pos, Qt::MiddleButton, Qt::MiddleButton, Qt::NoModifier);
    EXPECT_EQ(MouseNavigationMonitor::translate(&middle).kind, Kind::OtherMouseDown);
    EXPECT_EQ(MouseNavigationMonitor::translate(&middle).buttonNumber, 2);
    QMouseEvent left(QEvent::MouseButtonPress, pos, pos, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    EXPECT_EQ(MouseNavigationMonitor::translate(&left).kind, Kind::Other);

    QWheelEvent momentum(pos, pos, QPoint(7, 2), QPoint(14, 4), Qt::NoButton, Qt::NoModifier, Qt::ScrollMomentum, false);
    const NavigationInput m = MouseNavigationMonitor::translate(&momentum);
    EXPECT_EQ(m.kind, Kind::ScrollWheel);
    EXPECT_EQ(m.phase, scrollphase::kNone);
    EXPECT_NE(m.momentumPhase, scrollphase::kNone);
    EXPECT_EQ(m.deltaX, 7.0);
    EXPECT_EQ(m.deltaY, 2.0);

    QNativeGestureEvent swipeRight(Qt::SwipeNativeGesture, QPointingDevice::primaryPointingDevice(), 1, pos, pos, pos,
                                   180.0, QPointF(), 0);
    EXPECT_EQ(MouseNavigationMonitor::translate(&swipeRight).kind, Kind::Swipe);
    EXPECT_EQ(MouseNavigationMonitor::translate(&swipeRight).deltaX, 1.0);
    QNativeGestureEvent swipeDelta(Qt::SwipeNativeGesture, QPointingDevice::primaryPointingDevice(), 1, pos, pos, pos,
                                   0.0, QPointF(-1.0, 0), 0);
    EXPECT_EQ(MouseNavigationMonitor::translate(&swipeDelta).deltaX, -1.0);
    QNativeGestureEvent zoom(Qt::ZoomNativeGesture, QPointingDevice::primaryPointingDevice(), 1, pos, pos, pos, 0.5,
                             QPointF(), 0);
    EXPECT_EQ(MouseNavigationMonitor::translate(&zoom).kind, Kind::Other);
}
