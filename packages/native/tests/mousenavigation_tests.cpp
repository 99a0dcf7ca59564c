// The navigation recogniser fed with synthetic event sequences: side buttons, swipes, phased and
// phase-less horizontal scrolls, the debounce, sources and window rules. Time and the wheel pause
// are driven by hand.
#include <gtest/gtest.h>

#include <vector>

#include "tarnwick/native/mousenavigationrecognizer.h"

using namespace tarnwick::native;
using namespace std::chrono_literals;
using Kind = NavigationInput::Kind;

namespace {

struct FakeTimer final : MouseNavigationRecognizer::Timer {
    std::function<void()>* pending;
    std::chrono::milliseconds* delay;
    FakeTimer(std::function<void()>* p, std::chrono::milliseconds* d) : pending(p), delay(d) {}
    void start(std::chrono::milliseconds d, std::function<void()> fire) override
    {
        *pending = std::move(fire);
        *delay = d;
    }
    void stop() override { *pending = nullptr; }
};

struct Navigation {
    NavigationDirection direction;
    NavigationSource source;
    friend bool operator==(const Navigation&, const Navigation&) = default;
};

class Recognizer : public ::testing::Test {
protected:
    std::chrono::steady_clock::time_point now = std::chrono::steady_clock::time_point() + 1000s;
    std::vector<Navigation> navigations;
    std::function<void()> pendingTimer;
    std::chrono::milliseconds timerDelay{0};
    MouseNavigationRecognizer recognizer{[this](NavigationDirection d, NavigationSource s) { navigations.push_back({d, s}); },
                                         [this] { return now; },
                                         std::make_unique<FakeTimer>(&pendingTimer, &timerDelay)};

    static NavigationInput button(Kind kind, int number)
    {
        NavigationInput e;
        e.kind = kind;
        e.buttonNumber = number;
        return e;
    }
    static NavigationInput scroll(double dx, double dy, unsigned phase, unsigned momentum = scrollphase::kNone)
    {
        NavigationInput e;
        e.kind = Kind::ScrollWheel;
        e.deltaX = dx;
        e.deltaY = dy;
        e.phase = phase;
        e.momentumPhase = momentum;
        return e;
    }
    static NavigationInput swipe(double dx)
    {
        NavigationInput e;
        e.kind = Kind::Swipe;
        e.deltaX = dx;
        return e;
    }
    static NavigationInput aux(long mask, long held, int subtype = MouseNavigationRecognizer::kAuxMouseButtonSubtype)
    {
        NavigationInput e;
        e.kind = Kind::SystemDefined;
        e.subtype = subtype;
        e.data1 = mask;
        e.data2 = held;
        return e;
    }
    Disposition feed(const NavigationInput& e) { return recognizer.filter(e, true); }
};

const Navigation kBackButtons{NavigationDirection::Back, NavigationSource::SideButtons};
const Navigation kForwardButtons{NavigationDirection::Forward, NavigationSource::SideButtons};

} // namespace

TEST_F(Recognizer, SideButtonsNavigateOnReleaseAndNeverReachTheContent)
{
    EXPECT_EQ(feed(button(Kind::OtherMouseDown, 4)), Disposition::Swallow);
    EXPECT_TRUE(navigations.empty()) << "the press does not navigate";
    EXPECT_EQ(feed(button(Kind::OtherMouseUp, 4)), Disposition::Swallow);
    EXPECT_EQ(navigations, (std::vector<Navigation>{kForwardButtons}));

    now += 1s;
    EXPECT_EQ(feed(button(Kind::OtherMouseDown, 3)), Disposition::Swallow);
    EXPECT_EQ(feed(button(Kind::OtherMouseUp, 3)), Disposition::Swallow);
    EXPECT_EQ(navigations.back(), kBackButtons);

    for (int other : {2, 5, 0}) {
        EXPECT_EQ(feed(button(Kind::OtherMouseDown, other)), Disposition::Pass) << other;
        EXPECT_EQ(feed(button(Kind::OtherMouseUp, other)), Disposition::Pass) << other;
    }
    EXPECT_EQ(navigations.size(), 2u);

    recognizer.sources = NavigationSource::Trackpad | NavigationSource::Wheel;
    now += 1s;
    EXPECT_EQ(feed(button(Kind::OtherMouseUp, 3)), Disposition::Swallow) << "swallowed even when not a source";
    EXPECT_EQ(navigations.size(), 2u);
}

TEST_F(Recognizer, AuxiliaryButtonEventsNavigateWhenNothingIsHeld)
{
    EXPECT_EQ(feed(aux(MouseNavigationRecognizer::kBackMask, 1)), Disposition::Swallow);
    EXPECT_TRUE(navigations.empty());
    EXPECT_EQ(feed(aux(MouseNavigationRecognizer::kBackMask, 0)), Disposition::Swallow);
    now += 1s;
    EXPECT_EQ(feed(aux(MouseNavigationRecognizer::kForwardMask, 0)), Disposition::Swallow);
    EXPECT_EQ(navigations, (std::vector<Navigation>{kBackButtons, kForwardButtons}));
    EXPECT_EQ(feed(aux(4, 0)), Disposition::Pass) << "another mask";
    EXPECT_EQ(feed(aux(MouseNavigationRecognizer::kBackMask, 0, 8)), Disposition::Pass) << "another subtype";
    EXPECT_EQ(navigations.size(), 2u);
}

TEST_F(Recognizer, DebounceDropsASecondNavigationWithinAHundredAndFiftyMilliseconds)
{
    struct Row {
        std::chrono::milliseconds gap;
        std::size_t expected;
    } rows[] = {{100ms, 1}, {150ms, 1}, {151ms, 2}, {200ms, 2}};
    for (const Row& row : rows) {
        navigations.clear();
        now += 10s;
        feed(button(Kind::OtherMouseUp, 3));
        now += row.gap;
        feed(button(Kind::OtherMouseUp, 3));
        EXPECT_EQ(navigations.size(), row.expected) << row.gap.count() << " ms";
    }
}

TEST_F(Recognizer, DroppedNavigationsDoNotExtendTheDebounce)
{
    feed(button(Kind::OtherMouseUp, 3));
    now += 100ms;
    feed(button(Kind::OtherMouseUp, 3)); // dropped
    now += 100ms;                        // 200 ms after the first
    feed(button(Kind::OtherMouseUp, 4));
    EXPECT_EQ(navigations, (std::vector<Navigation>{kBackButtons, kForwardButtons}));
}

TEST_F(Recognizer, SwipesBeyondHalfAUnitNavigate)
{
    struct Row {
        double delta;
        Disposition disposition;
        std::optional<NavigationDirection> direction;
    } rows[] = {
        {1.0, Disposition::Swallow, NavigationDirection::Back},
        {-1.0, Disposition::Swallow, NavigationDirection::Forward},
        {0.5, Disposition::Swallow, NavigationDirection::Back},
        {-0.5, Disposition::Swallow, NavigationDirection::Forward},
        {0.3, Disposition::Pass, std::nullopt},
        {0.0, Disposition::Pass, std::nullopt},
    };
    for (const Row& row : rows) {
        navigations.clear();
        now += 1s;
        EXPECT_EQ(feed(swipe(row.delta)), row.disposition) << row.delta;
        if (row.direction)
            EXPECT_EQ(navigations, (std::vector<Navigation>{{*row.direction, NavigationSource::Trackpad}})) << row.delta;
        else
            EXPECT_TRUE(navigations.empty()) << row.delta;
    }
    recognizer.sources = NavigationSources{static_cast<unsigned>(NavigationSource::SideButtons)};
    now += 1s;
    EXPECT_EQ(feed(swipe(1.0)), Disposition::Pass) << "trackpad is not a source";
}

TEST_F(Recognizer, AClaimedTrackpadScrollNavigatesAtItsEnd)
{
    using namespace scrollphase;
    EXPECT_EQ(feed(scroll(10, 3, kBegan)), Disposition::Pass);
    EXPECT_EQ(feed(scroll(10, 3, kChanged)), Disposition::Swallow) << "20 >= 16 and 20 > 15: claimed";
    EXPECT_EQ(feed(scroll(20, 4, kChanged)), Disposition::Swallow);
    EXPECT_TRUE(navigations.empty()) << "nothing before the end";
    EXPECT_EQ(feed(scroll(0, 0, kEnded)), Disposition::Pass) << "the ending event is passed on";
    EXPECT_EQ(navigations, (std::vector<Navigation>{{NavigationDirection::Back, NavigationSource::Trackpad}}));
    EXPECT_EQ(feed(scroll(5, 0, kNone, kChanged)), Disposition::Pass) << "momentum follows freely";
    EXPECT_EQ(feed(scroll(5, 0, kNone, kEnded)), Disposition::Pass);
    EXPECT_EQ(navigations.size(), 1u);
    EXPECT_EQ(recognizer.travelledX(), 0.0) << "momentum does not accumulate";
}

TEST_F(Recognizer, ScrollClaimNeedsTravelAndHorizontalDominance)
{
    using namespace scrollphase;
    struct Row {
        const char* name;
        std::vector<std::pair<double, double>> deltas;
        bool claimed;
        NavigationDirection direction;
    } rows[] = {
        {"40 by 10 is claimed", {{20, 5}, {20, 5}}, true, NavigationDirection::Back},
        {"20 by 10 is not (20 is not more than 25)", {{10, 5}, {10, 5}}, false, NavigationDirection::Back},
        {"15 is short of the travel", {{15, 0}}, false, NavigationDirection::Back},
        {"leftwards goes forward", {{-10, 0}, {-10, 1}}, true, NavigationDirection::Forward},
        {"exactly 2.5 times is not dominant", {{25, 10}}, false, NavigationDirection::Back},
    };
    for (const Row& row : rows) {
        navigations.clear();
        now += 1s;
        bool swallowed = false;
        feed(scroll(0, 0, kBegan));
        for (const auto& [dx, dy] : row.deltas)
            swallowed = feed(scroll(dx, dy, kChanged)) == Disposition::Swallow || swallowed;
        EXPECT_EQ(swallowed, row.claimed) << row.name;
        feed(scroll(0, 0, kEnded));
        if (row.claimed)
            EXPECT_EQ(navigations, (std::vector<Navigation>{{row.direction, NavigationSource::Trackpad}})) << row.name;
        else
            EXPECT_TRUE(navigations.empty()) << row.name;
    }
}

TEST_F(Recognizer, CancelledGesturesEndLikeEndedOnes)
{
    using namespace scrollphase;
    feed(scroll(30, 0, kBegan));
    feed(scroll(0, 0, kCancelled));
    EXPECT_EQ(navigations.size(), 1u);
    EXPECT_FALSE(recognizer.ownsGesture());
}

TEST_F(Recognizer, PhaselessWheelGesturesEndAfterAPause)
{
    EXPECT_EQ(feed(scroll(-12, 0, scrollphase::kNone)), Disposition::Pass);
    ASSERT_TRUE(pendingTimer);
    EXPECT_EQ(timerDelay, MouseNavigationRecognizer::kWheelPause);
    EXPECT_EQ(feed(scroll(-12, 0, scrollphase::kNone)), Disposition::Swallow);
    EXPECT_TRUE(navigations.empty());
    auto fire = pendingTimer;
    fire();
    EXPECT_EQ(navigations, (std::vector<Navigation>{{NavigationDirection::Forward, NavigationSource::Wheel}}));
    EXPECT_FALSE(pendingTimer) << "ending stops the timer";
    EXPECT_EQ(recognizer.travelledX(), 0.0);

    // The application's sources have no wheel: the same scroll is never claimed.
    navigations.clear();
    recognizer.sources = NavigationSource::SideButtons | NavigationSource::Trackpad;
    EXPECT_EQ(feed(scroll(-30, 0, scrollphase::kNone)), Disposition::Pass);
    EXPECT_EQ(feed(scroll(-30, 0, scrollphase::kNone)), Disposition::Pass);
    pendingTimer();
    EXPECT_TRUE(navigations.empty());
}

TEST_F(Recognizer, GestureEndsBypassTheDebounceAndLeaveItsClockAlone)
{
    feed(button(Kind::OtherMouseUp, 3));
    now += 140ms;
    feed(scroll(40, 0, scrollphase::kBegan));
    feed(scroll(0, 0, scrollphase::kEnded));
    EXPECT_EQ(navigations.size(), 2u) << "140 ms after a button, the gesture still navigates";
    now += 60ms; // 200 ms after the button, 60 ms after the gesture
    feed(button(Kind::OtherMouseUp, 4));
    EXPECT_EQ(navigations.size(), 3u) << "the debounce counts from the last button, not the gesture";
}

TEST_F(Recognizer, EventsForOtherWindowsOrExemptEventsPassUntouched)
{
    NavigationInput other = button(Kind::OtherMouseUp, 3);
    other.target = NavigationInput::Target::OtherWindow;
    EXPECT_EQ(recognizer.filter(other, true), Disposition::Pass);

    NavigationInput windowless = button(Kind::OtherMouseUp, 3);
    windowless.target = NavigationInput::Target::NoWindow;
    EXPECT_EQ(recognizer.filter(windowless, false), Disposition::Pass) << "another window is key";
    EXPECT_TRUE(navigations.empty());
    EXPECT_EQ(recognizer.filter(windowless, true), Disposition::Swallow) << "our window is key";
    EXPECT_EQ(navigations.size(), 1u);

    now += 1s;
    recognizer.shouldIgnore = [](const NavigationInput& e) { return e.buttonNumber == 4; };
    EXPECT_EQ(feed(button(Kind::OtherMouseUp, 4)), Disposition::Pass);
    EXPECT_EQ(feed(button(Kind::OtherMouseUp, 3)), Disposition::Swallow);
    EXPECT_EQ(navigations.size(), 2u);
}

TEST_F(Recognizer, NonFiniteDeltasDoNotPoisonTheGesture)
{
    feed(scroll(std::numeric_limits<double>::quiet_NaN(), 0, scrollphase::kBegan));
    feed(scroll(40, 0, scrollphase::kChanged));
    EXPECT_TRUE(recognizer.ownsGesture());
    feed(scroll(0, 0, scrollphase::kEnded));
    EXPECT_EQ(navigations, (std::vector<Navigation>{{NavigationDirection::Back, NavigationSource::Trackpad}}));
}
