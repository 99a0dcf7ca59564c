#include "tarnwick/testing/eventwait.h"

#include <QCoreApplication>
#include <algorithm>
#include <QDeadlineTimer>
#include <QTimer>

namespace tarnwick::testing {

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    QDeadlineTimer deadline(timeout);
    // The timer only guarantees a wake-up at the deadline; every other wake-up is a real event. A
    // precise one: a coarse timer may fire early, and then nothing would wake the loop again.
    QTimer wakeUp;
    wakeUp.setSingleShot(true);
    wakeUp.setTimerType(Qt::PreciseTimer);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        if (!wakeUp.isActive())
            wakeUp.start(std::max<qint64>(deadline.remainingTime(), 1));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

bool pollUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout,
               std::chrono::milliseconds interval)
{
    QTimer tick;
    tick.start(interval);
    return waitUntil(condition, timeout);
}

} // namespace tarnwick::testing
