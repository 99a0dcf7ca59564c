#pragma once

// Recognises back/forward navigation in a stream of input events: mouse side buttons, trackpad
// swipes and fast horizontal scrolls. A pure model: events come in as plain records, time through a
// clock and the wheel pause through a timer port, so it is tested without a display.
// MouseNavigationMonitor feeds it from Qt's events. Single-threaded (the UI thread).

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace tarnwick::native {

enum class NavigationDirection { Back, Forward };

enum class NavigationSource : unsigned { SideButtons = 1, Trackpad = 2, Wheel = 4 };

/// A set of NavigationSource flags.
struct NavigationSources {
    unsigned raw = 7;

    static constexpr NavigationSources all() { return {7}; }
    static constexpr NavigationSources none() { return {0}; }
    constexpr bool contains(NavigationSource s) const { return (raw & static_cast<unsigned>(s)) != 0; }
    friend constexpr NavigationSources operator|(NavigationSources a, NavigationSource b)
    {
        return {a.raw | static_cast<unsigned>(b)};
    }
    friend constexpr bool operator==(NavigationSources, NavigationSources) = default;
};

constexpr NavigationSources operator|(NavigationSource a, NavigationSource b)
{
    return {static_cast<unsigned>(a) | static_cast<unsigned>(b)};
}

/// Scroll phase flags.
namespace scrollphase {
inline constexpr unsigned kNone = 0;
inline constexpr unsigned kBegan = 1;
inline constexpr unsigned kStationary = 2;
inline constexpr unsigned kChanged = 4;
inline constexpr unsigned kEnded = 8;
inline constexpr unsigned kCancelled = 16;
inline constexpr unsigned kMayBegin = 32;
} // namespace scrollphase

/// One input event, reduced to what recognition looks at.
struct NavigationInput {
    enum class Kind { SystemDefined, ScrollWheel, OtherMouseDown, OtherMouseUp, Swipe, Other };
    /// Where the event is addressed relative to the watched window.
    enum class Target { Window, OtherWindow, NoWindow };

    Kind kind = Kind::Other;
    Target target = Target::Window;
    int subtype = 0;          ///< system-defined events
    long data1 = 0;           ///< system-defined: the button-change mask (8 back, 16 forward)
    long data2 = 0;           ///< system-defined: the buttons still held
    int buttonNumber = 0;     ///< other-mouse events: 2 middle, 3 back, 4 forward, ...
    double deltaX = 0;        ///< scroll: precise horizontal delta in points; swipe: its delta
    double deltaY = 0;        ///< scroll: precise vertical delta in points
    unsigned phase = scrollphase::kNone;
    unsigned momentumPhase = scrollphase::kNone;
};

enum class Disposition { Pass, Swallow };

class MouseNavigationRecognizer {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    using Navigate = std::function<void(NavigationDirection, NavigationSource)>;

    /// One-shot timer that ends a phase-less wheel gesture after a pause.
    class Timer {
    public:
        virtual ~Timer() = default;
        /// Replaces any pending run.
        virtual void start(std::chrono::milliseconds delay, std::function<void()> fire) = 0;
        virtual void stop() = 0;
    };

    static constexpr int kAuxMouseButtonSubtype = 7;
    static constexpr double kSwipeTravel = 16.0;
    static constexpr double kHorizontalDominance = 2.5;
    static constexpr double kSwipeThreshold = 0.5;
    static constexpr std::chrono::milliseconds kDebounce{150};
    static constexpr std::chrono::milliseconds kWheelPause{200};
    static constexpr int kBackButton = 3;
    static constexpr int kForwardButton = 4;
    static constexpr long kBackMask = 8;
    static constexpr long kForwardMask = 16;

    /// `timer` may be null: then a phase-less gesture ends only through endScrollGesture().
    explicit MouseNavigationRecognizer(Navigate onNavigate, Clock clock = &std::chrono::steady_clock::now,
                                       std::unique_ptr<Timer> timer = nullptr);
    ~MouseNavigationRecognizer();

    NavigationSources sources = NavigationSources::all();
    /// Lets the owner exempt events; absent = nothing is exempt.
    std::function<bool(const NavigationInput&)> shouldIgnore;

    /// The monitor's decision for one event: events for other windows, window-less events while the
    /// watched window is not the key window, and exempt events pass untouched; the rest go to handle().
    Disposition filter(const NavigationInput& event, bool windowIsKey);
    /// Recognition proper.
    Disposition handle(const NavigationInput& event);
    /// Ends the current scroll gesture (phase end, wheel pause): navigates when it was claimed.
    void endScrollGesture();
    /// Stops the wheel timer (the monitor is being removed).
    void stopTimer();

    bool ownsGesture() const { return m_ownsGesture; }
    double travelledX() const { return m_travelledX; }
    double travelledY() const { return m_travelledY; }

private:
    Disposition handleScrollWheel(const NavigationInput& event);
    void navigate(NavigationDirection direction, NavigationSource source);

    Navigate m_onNavigate;
    Clock m_clock;
    std::unique_ptr<Timer> m_timer;
    std::optional<std::chrono::steady_clock::time_point> m_lastNavigation;
    double m_travelledX = 0;
    double m_travelledY = 0;
    bool m_ownsGesture = false;
    bool m_fromTrackpad = false;
    // Lets a timer callback find out that the recogniser is gone.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace tarnwick::native
