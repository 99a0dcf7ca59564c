// The UI thread in a process without a QApplication (a plain Node.js host): the first task starts
// one thread with its own application; tasks run there, in order, never inside the call.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QThread>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "tarnwick/native/actionbridge.h"
#include "tarnwick/native/uithread.h"

using namespace tarnwick::native;

namespace {

// Collects values posted from the UI thread; waits with a deadline.
struct Inbox {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<int> values;

    void push(int v)
    {
        {
            std::lock_guard lock(mutex);
            values.push_back(v);
        }
        changed.notify_all();
    }
    bool waitFor(std::size_t count)
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(20), [&] { return values.size() >= count; });
    }
};

std::vector<std::pair<std::string, std::string>> g_actions;

} // namespace

TEST(UiThreadWithoutHostApplication, StartsOneApplicationThreadAndRunsTasksThereInOrder)
{
    ASSERT_EQ(QCoreApplication::instance(), nullptr) << "this test binary must not create an application";
    EXPECT_FALSE(hasUiThread());
    EXPECT_FALSE(isOnUiThread());

    Inbox inbox;
    std::atomic<bool> insideCall{false};
    std::thread::id uiThread;
    bool ranInsideCall = false;
    insideCall = true;
    runOnUiThread([&] {
        ranInsideCall = insideCall.load();
        uiThread = std::this_thread::get_id();
        inbox.push(0);
    });
    insideCall = false;
    ASSERT_TRUE(inbox.waitFor(1));
    EXPECT_FALSE(ranInsideCall);
    EXPECT_NE(uiThread, std::this_thread::get_id());
    EXPECT_TRUE(hasUiThread());
    EXPECT_FALSE(isOnUiThread());

    // Tasks from several threads: each thread's tasks keep their order, all on the one UI thread.
    constexpr int kThreads = 4;
    constexpr int kPerThread = 50;
    std::vector<std::thread> posters;
    std::atomic<int> wrongThread{0};
    for (int t = 0; t < kThreads; ++t) {
        posters.emplace_back([&, t] {
            for (int i = 0; i < kPerThread; ++i) {
                runOnUiThread([&, t, i] {
                    if (std::this_thread::get_id() != uiThread || !isOnUiThread())
                        ++wrongThread;
                    inbox.push(1000 * (t + 1) + i);
                });
            }
        });
    }
    for (auto& poster : posters)
        poster.join();
    ASSERT_TRUE(inbox.waitFor(1 + kThreads * kPerThread));
    EXPECT_EQ(wrongThread.load(), 0);
    std::vector<int> last(kThreads, -1);
    for (std::size_t i = 1; i < inbox.values.size(); ++i) {
        const int t = inbox.values[i] / 1000 - 1;
        const int n = inbox.values[i] % 1000;
        EXPECT_EQ(n, last[static_cast<std::size_t>(t)] + 1) << "thread " << t << " out of order";
        last[static_cast<std::size_t>(t)] = n;
    }

    // It is a widget-capable application, on a platform that works without a display.
    Inbox probe;
    bool isWidgetApp = false;
    QString platform;
    runOnUiThread([&] {
        isWidgetApp = qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
        platform = QGuiApplication::platformName();
        probe.push(1);
    });
    ASSERT_TRUE(probe.waitFor(1));
    EXPECT_TRUE(isWidgetApp);
    EXPECT_FALSE(platform.isEmpty());

    // A task posted from the UI thread itself runs after the current one.
    Inbox nested;
    runOnUiThread([&] {
        bool innerRan = false;
        runOnUiThread([&] { nested.push(2); });
        innerRan = !nested.values.empty();
        nested.push(innerRan ? -1 : 1);
    });
    ASSERT_TRUE(nested.waitFor(2));
    EXPECT_EQ(nested.values, (std::vector<int>{1, 2}));
}

TEST(ActionBridge, DeliversCopiesToTheRegisteredCallbackOnly)
{
    g_actions.clear();
    ActionBridge::setCallback(nullptr);
    ActionBridge::emit(action::kNewMessage, "");
    EXPECT_TRUE(g_actions.empty()) << "no callback: dropped, not queued";

    ActionBridge::setCallback([](const char* a, const char* p) { g_actions.emplace_back(a, p); });
    const std::string text = "searchXYZ";
    ActionBridge::emit(std::string_view(text).substr(0, 6), std::string_view(text).substr(6, 2));
    ActionBridge::emit(action::kArchive, "");
    EXPECT_EQ(g_actions, (std::vector<std::pair<std::string, std::string>>{{"search", "XY"}, {"archive", ""}}))
        << "views are terminated at their own length; empty payloads are empty strings";

    ActionBridge::setCallback([](const char* a, const char* p) { g_actions.emplace_back(std::string("second:") + a, p); });
    ActionBridge::emit(action::kGoBack, "");
    EXPECT_EQ(g_actions.back().first, "second:goBack") << "a later callback replaces the earlier one";

    ActionBridge::setCallback(nullptr);
    ActionBridge::emit(action::kGoForward, "");
    EXPECT_EQ(g_actions.size(), 3u) << "null clears the callback";
}
