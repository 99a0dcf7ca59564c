#pragma once

// Turns a burst of pokes into one settled() signal: any program on the session bus can repeat a
// signal as fast as it likes, and each repetition must not cost a reload. settled() comes once the
// pokes have paused for the quiet period, or once the longest delay since the burst began has
// passed, so a steady stream still gets answered (at most once per longest delay). Main thread only.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <chrono>

namespace tarnwick {

class BurstCoalescer final : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kQuietPeriod{100};
    static constexpr std::chrono::milliseconds kLongestDelay{1000};

    explicit BurstCoalescer(QObject* parent = nullptr, std::chrono::milliseconds quiet = kQuietPeriod,
                            std::chrono::milliseconds longest = kLongestDelay);

    void poke();
    bool isWaiting() const { return m_timer.isActive(); }

Q_SIGNALS:
    void settled();

private:
    QTimer m_timer;
    QElapsedTimer m_burst;
    std::chrono::milliseconds m_quiet;
    std::chrono::milliseconds m_longest;
};

} // namespace tarnwick
