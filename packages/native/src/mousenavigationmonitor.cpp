#include "tarnwick/native/mousenavigationmonitor.h"

#include <QApplication>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QWheelEvent>
#include <QWindow>

#include "tarnwick/native/qtwheeltimer.h"

namespace tarnwick::native {
namespace {

int buttonNumber(Qt::MouseButton button)
{
    switch (button) {
    case Qt::MiddleButton:
        return 2;
    case Qt::BackButton:
        return 3;
    case Qt::ForwardButton:
        return 4;
    default:
        break;
    }
    // Qt numbers the remaining extra buttons as single bits from ExtraButton3 (bit 5) on.
    const auto bits = static_cast<unsigned>(button);
    for (int bit = 5; bit < 32; ++bit) {
        if (bits == (1u << bit))
            return bit;
    }
    return 0;
}

unsigned phaseFlags(Qt::ScrollPhase phase)
{
    switch (phase) {
    case Qt::ScrollBegin:
        return scrollphase::kBegan;
    case Qt::ScrollUpdate:
        return scrollphase::kChanged;
    case Qt::ScrollEnd:
        return scrollphase::kEnded;
    case Qt::NoScrollPhase:
    case Qt::ScrollMomentum:
        break;
    }
    return scrollphase::kNone;
}

} // namespace

MouseNavigationMonitor::MouseNavigationMonitor(Navigate onNavigate, QObject* parent)
    : QObject(parent),
      m_recognizer(std::move(onNavigate), &std::chrono::steady_clock::now, makeQtWheelTimer())
{
}

MouseNavigationMonitor::~MouseNavigationMonitor()
{
    remove();
}

void MouseNavigationMonitor::install(QWidget* window)
{
    remove();
    if (!window)
        return;
    m_window = window->window();
    if (QCoreApplication* app = QCoreApplication::instance()) {
        app->installEventFilter(this);
        m_installed = true;
    }
}

void MouseNavigationMonitor::remove()
{
    m_recognizer.stopTimer();
    if (m_installed) {
        if (QCoreApplication* app = QCoreApplication::instance())
            app->removeEventFilter(this);
        m_installed = false;
    }
}

NavigationInput MouseNavigationMonitor::translate(const QEvent* event)
{
    using Kind = NavigationInput::Kind;
    NavigationInput input;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<const QMouseEvent*>(event);
        const int number = buttonNumber(mouse->button());
        if (number < 2)
            break; // left and right buttons are not "other" buttons
        input.kind = event->type() == QEvent::MouseButtonRelease ? Kind::OtherMouseUp : Kind::OtherMouseDown;
        input.buttonNumber = number;
        break;
    }
    case QEvent::Wheel: {
        const auto* wheel = static_cast<const QWheelEvent*>(event);
        input.kind = Kind::ScrollWheel;
        // Pixel deltas are the precise ones (touchpads); a plain wheel reports eighths of a degree,
        // taken here as one point per degree (15 points per notch).
        const QPointF delta = wheel->pixelDelta().isNull() ? QPointF(wheel->angleDelta()) / 8.0
                                                           : QPointF(wheel->pixelDelta());
        input.deltaX = delta.x();
        input.deltaY = delta.y();
        input.phase = phaseFlags(wheel->phase());
        input.momentumPhase = wheel->phase() == Qt::ScrollMomentum ? scrollphase::kChanged : scrollphase::kNone;
        break;
    }
    case QEvent::NativeGesture: {
        const auto* gesture = static_cast<const QNativeGestureEvent*>(event);
        if (gesture->gestureType() != Qt::SwipeNativeGesture)
            break;
        input.kind = Kind::Swipe;
        // Platforms give either a delta or only the swipe's angle (180° = towards the right, 0° = left).
        if (!qFuzzyIsNull(gesture->delta().x())) {
            input.deltaX = gesture->delta().x();
        } else if (qFuzzyCompare(gesture->value(), 180.0)) {
            input.deltaX = 1.0;
        } else if (qFuzzyIsNull(gesture->value())) {
            input.deltaX = -1.0;
        }
        break;
    }
    default:
        break;
    }
    return input;
}

bool MouseNavigationMonitor::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease:
    case QEvent::Wheel:
    case QEvent::NativeGesture:
        break;
    default:
        return false;
    }
    if (!m_window)
        return false;
    // Widgets receive these events after their top-level QWindow did: looking only at the window
    // delivery sees every input event once, before the content.
    if (watched->isWidgetType())
        return false;
    NavigationInput input = translate(event);
    if (input.kind == NavigationInput::Kind::Other)
        return false;
    if (auto* window = qobject_cast<QWindow*>(watched))
        input.target = window == m_window->windowHandle() ? NavigationInput::Target::Window
                                                         : NavigationInput::Target::OtherWindow;
    else
        input.target = NavigationInput::Target::NoWindow;
    const bool isKey = m_window->isActiveWindow();
    const Disposition disposition = m_recognizer.filter(input, isKey);
    return disposition == Disposition::Swallow;
}

} // namespace tarnwick::native
