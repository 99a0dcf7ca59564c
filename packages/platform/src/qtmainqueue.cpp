#include "tarnwick/platform/qtmainqueue.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace tarnwick {

namespace {
constexpr int kBatch = 64;
}

void QtMainQueue::post(Task task)
{
    bool wake = false;
    {
        std::lock_guard lock(m_mutex);
        m_tasks.push_back(std::move(task));
        wake = !m_drainScheduled;
        m_drainScheduled = true;
    }
    if (wake)
        scheduleDrain();
}

void QtMainQueue::scheduleDrain()
{
    QMetaObject::invokeMethod(QCoreApplication::instance(), [this] { drain(); }, Qt::QueuedConnection);
}

void QtMainQueue::drain()
{
    for (int i = 0; i < kBatch; ++i) {
        Task task;
        {
            std::lock_guard lock(m_mutex);
            if (m_tasks.empty()) {
                m_drainScheduled = false;
                return;
            }
            task = std::move(m_tasks.front());
            m_tasks.pop_front();
        }
        task();
    }
    scheduleDrain(); // more waiting: let the event loop breathe, then carry on
}

} // namespace tarnwick
