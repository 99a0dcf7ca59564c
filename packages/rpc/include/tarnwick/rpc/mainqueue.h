#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace tarnwick {

/// The helper's "main thread": tasks posted here run one after another, in posting order, on the
/// thread that owns the application's event loop. post() may be called from any thread.
class MainQueue {
public:
    using Task = std::function<void()>;
    virtual ~MainQueue() = default;
    virtual void post(Task task) = 0;
};

/// A main queue driven by hand, for tests: tasks wait until the test runs them.
class ManualMainQueue final : public MainQueue {
public:
    void post(Task task) override
    {
        // Notified under the lock: a waiter that sees the task may return and let the test destroy
        // the queue, which must not happen while this call still uses the condition variable.
        std::lock_guard lock(m_mutex);
        m_tasks.push_back(std::move(task));
        m_posted.notify_all();
    }

    /// Runs every waiting task, including tasks they post; returns how many ran.
    int runAll()
    {
        int ran = 0;
        for (;;) {
            Task task;
            {
                std::lock_guard lock(m_mutex);
                if (m_tasks.empty())
                    return ran;
                task = std::move(m_tasks.front());
                m_tasks.pop_front();
            }
            task();
            ++ran;
        }
    }

    /// Blocks until at least `count` tasks are waiting (posted from another thread).
    void waitForPending(std::size_t count)
    {
        std::unique_lock lock(m_mutex);
        m_posted.wait(lock, [&] { return m_tasks.size() >= count; });
    }

    std::size_t pending() const
    {
        std::lock_guard lock(m_mutex);
        return m_tasks.size();
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_posted;
    std::deque<Task> m_tasks;
};

} // namespace tarnwick
