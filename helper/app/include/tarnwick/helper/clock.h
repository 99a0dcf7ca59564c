#pragma once

// Port: the time the helper's models read. Models never ask the system directly, so tests can move
// time (local-mark grace periods, code expiry, the popover toggle debounce).

namespace tarnwick {

class Clock {
public:
    virtual ~Clock() = default;
    /// Wall-clock time: seconds since 1970-01-01 UTC, with fractions.
    virtual double now() const = 0;
    /// Seconds on a clock that never goes backwards (for measuring short intervals).
    virtual double monotonic() const = 0;

    /// The system clocks.
    static Clock& system();
};

/// A clock that only moves when told to. Both readings advance together.
class ManualClock final : public Clock {
public:
    explicit ManualClock(double start = 1'700'000'000.0) : m_now(start) {}
    double now() const override { return m_now; }
    double monotonic() const override { return m_monotonic; }
    void advance(double seconds)
    {
        m_now += seconds;
        m_monotonic += seconds;
    }
    /// Moves only the wall clock, as a user changing the system time does.
    void setWallClock(double secondsSince1970) { m_now = secondsSince1970; }

private:
    double m_now;
    double m_monotonic = 1000.0;
};

} // namespace tarnwick
