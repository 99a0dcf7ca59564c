#include "tarnwick/native/mousenavigationrecognizer.h"

#include <cmath>

namespace tarnwick::native {

MouseNavigationRecognizer::MouseNavigationRecognizer(Navigate onNavigate, Clock clock, std::unique_ptr<Timer> timer)
    : m_onNavigate(std::move(onNavigate)), m_clock(std::move(clock)), m_timer(std::move(timer))
{
}

MouseNavigationRecognizer::~MouseNavigationRecognizer()
{
    *m_alive = false;
    stopTimer();
}

Disposition MouseNavigationRecognizer::filter(const NavigationInput& event, bool windowIsKey)
{
    using Target = NavigationInput::Target;
    if (event.target == Target::OtherWindow)
        return Disposition::Pass;
    if (event.target == Target::NoWindow && !windowIsKey)
        return Disposition::Pass;
    if (shouldIgnore && shouldIgnore(event))
        return Disposition::Pass;
    return handle(event);
}

Disposition MouseNavigationRecognizer::handle(const NavigationInput& event)
{
    using Kind = NavigationInput::Kind;
    switch (event.kind) {
    case Kind::SystemDefined: {
        if (event.subtype != kAuxMouseButtonSubtype)
            return Disposition::Pass;
        NavigationDirection direction;
        if (event.data1 == kBackMask)
            direction = NavigationDirection::Back;
        else if (event.data1 == kForwardMask)
            direction = NavigationDirection::Forward;
        else
            return Disposition::Pass;
        // Navigate on release only; the press is swallowed too.
        if (event.data2 == 0 && sources.contains(NavigationSource::SideButtons))
            navigate(direction, NavigationSource::SideButtons);
        return Disposition::Swallow;
    }
    case Kind::ScrollWheel:
        return handleScrollWheel(event);
    case Kind::OtherMouseDown:
        // Side buttons never reach the content, even when they may not navigate.
        return event.buttonNumber == kBackButton || event.buttonNumber == kForwardButton ? Disposition::Swallow
                                                                                         : Disposition::Pass;
    case Kind::OtherMouseUp: {
        NavigationDirection direction;
        if (event.buttonNumber == kBackButton)
            direction = NavigationDirection::Back;
        else if (event.buttonNumber == kForwardButton)
            direction = NavigationDirection::Forward;
        else
            return Disposition::Pass;
        if (sources.contains(NavigationSource::SideButtons))
            navigate(direction, NavigationSource::SideButtons);
        return Disposition::Swallow;
    }
    case Kind::Swipe:
        if (sources.contains(NavigationSource::Trackpad)
            && (event.deltaX >= kSwipeThreshold || event.deltaX <= -kSwipeThreshold)) {
            navigate(event.deltaX >= kSwipeThreshold ? NavigationDirection::Back : NavigationDirection::Forward,
                     NavigationSource::Trackpad);
            return Disposition::Swallow;
        }
        return Disposition::Pass;
    case Kind::Other:
        break;
    }
    return Disposition::Pass;
}

Disposition MouseNavigationRecognizer::handleScrollWheel(const NavigationInput& event)
{
    if (event.momentumPhase == scrollphase::kNone) {
        // Non-finite deltas from a broken device would poison the sums for the rest of the gesture.
        if (std::isfinite(event.deltaX) && std::isfinite(event.deltaY)) {
            m_travelledX += event.deltaX;
            m_travelledY += event.deltaY;
        }
        m_fromTrackpad = event.phase != scrollphase::kNone;
        const NavigationSource source = m_fromTrackpad ? NavigationSource::Trackpad : NavigationSource::Wheel;
        if (!m_ownsGesture && std::abs(m_travelledX) >= kSwipeTravel
            && std::abs(m_travelledX) > kHorizontalDominance * std::abs(m_travelledY) && sources.contains(source))
            m_ownsGesture = true;
        if (event.phase != scrollphase::kNone) {
            if (event.phase & (scrollphase::kEnded | scrollphase::kCancelled))
                endScrollGesture();
        } else if (m_timer) {
            std::weak_ptr<bool> alive = m_alive;
            m_timer->stop();
            m_timer->start(kWheelPause, [this, alive] {
                if (const auto flag = alive.lock(); flag && *flag)
                    endScrollGesture();
            });
        }
    }
    return m_ownsGesture ? Disposition::Swallow : Disposition::Pass;
}

void MouseNavigationRecognizer::endScrollGesture()
{
    stopTimer();
    const double travelled = m_travelledX;
    const bool owned = m_ownsGesture;
    const bool fromTrackpad = m_fromTrackpad;
    m_travelledX = 0;
    m_travelledY = 0;
    m_ownsGesture = false;
    m_fromTrackpad = false;
    // Not debounced: a claimed gesture is one deliberate navigation.
    if (owned && m_onNavigate)
        m_onNavigate(travelled > 0 ? NavigationDirection::Back : NavigationDirection::Forward,
                     fromTrackpad ? NavigationSource::Trackpad : NavigationSource::Wheel);
}

void MouseNavigationRecognizer::stopTimer()
{
    if (m_timer)
        m_timer->stop();
}

void MouseNavigationRecognizer::navigate(NavigationDirection direction, NavigationSource source)
{
    const auto now = m_clock();
    if (m_lastNavigation && now - *m_lastNavigation <= kDebounce)
        return;
    m_lastNavigation = now;
    if (m_onNavigate)
        m_onNavigate(direction, source);
}

} // namespace tarnwick::native
