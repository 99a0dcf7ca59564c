#pragma once

#include <deque>
#include <mutex>

#include "tarnwick/rpc/mainqueue.h"

namespace tarnwick {

/// The main queue of a Qt program: tasks run in posting order on the thread running
/// QCoreApplication::exec(). A burst of posts costs one event-loop wake-up, not one per task, and
/// tasks run in bounded batches so painting and D-Bus traffic still get their turn during a burst.
/// Must outlive the event loop it posts to.
class QtMainQueue final : public MainQueue {
public:
    void post(Task task) override;

private:
    void scheduleDrain();
    void drain();

    std::mutex m_mutex;
    std::deque<Task> m_tasks;
    bool m_drainScheduled = false;
};

} // namespace tarnwick
