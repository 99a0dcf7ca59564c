#include "tarnwick/testing/eventwait.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

namespace tarnwick::testing {

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    QDeadlineTimer deadline(timeout);
    // The timer only guarantees a wake-up at the deadline; every other wake-up is a real event.
    QTimer wakeUp;
    wakeUp.setSingleShot(true);
    wakeUp.start(timeout);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
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
