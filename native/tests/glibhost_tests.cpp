// The library inside a GLib host: the host's main thread runs g_main_loop_run on the default main
// context (as Chromium's message pump does) and calls the exports from inside its own sources. The
// library's UI thread must never take that context over.
#include <gtest/gtest.h>

#include <glib.h>

#include <QCoreApplication>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "nativelibrary.h"
#include "tarnwick/native/uithread.h"

using namespace std::chrono;
using tarnwick::native::runOnUiThread;

namespace {

struct Host {
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    std::thread::id hostThread = std::this_thread::get_id();
    std::mutex mutex;
    std::set<std::thread::id> tickThreads;
    int ticks = 0;
    milliseconds longestCall{0};
    std::vector<std::string> calls;
    std::atomic<bool> uiOwnedDefaultContext{false};
    std::atomic<bool> uiWorkDone{false};
    std::thread::id uiThread;
    bool roundTripCompleted = false;
    std::vector<std::pair<std::string, std::string>> actions;

    ~Host() { g_main_loop_unref(loop); }

    template <typename F>
    void timed(const char* name, F&& call)
    {
        const auto start = steady_clock::now();
        call();
        const auto took = duration_cast<milliseconds>(steady_clock::now() - start);
        std::lock_guard lock(mutex);
        longestCall = std::max(longestCall, took);
        calls.emplace_back(name);
    }
};

Host* g_host = nullptr;

void onAction(const char* action, const char* payload)
{
    std::lock_guard lock(g_host->mutex);
    g_host->actions.emplace_back(action, payload);
}

gboolean tick(gpointer data)
{
    auto* host = static_cast<Host*>(data);
    std::lock_guard lock(host->mutex);
    host->tickThreads.insert(std::this_thread::get_id());
    ++host->ticks;
    return G_SOURCE_CONTINUE;
}

gboolean quit(gpointer data)
{
    g_main_loop_quit(static_cast<Host*>(data)->loop);
    return G_SOURCE_REMOVE;
}

} // namespace

TEST(LibraryInGlibHost, NeverDispatchesTheHostsDefaultContextAndNeverBlocksTheHostThread)
{
    ASSERT_EQ(QCoreApplication::instance(), nullptr) << "the host has no Qt application";
    NativeLibrary lib;
    ASSERT_TRUE(lib.open()) << ::dlerror();
    Host host;
    g_host = &host;

    // Host sources: a fast ticker whose dispatch thread is recorded for the whole run.
    g_timeout_add(2, tick, &host);

    // Every export, called from inside a host dispatch, the first of them starting the UI thread.
    struct Driver {
        Host* host;
        NativeLibrary* lib;
    } driver{&host, &lib};
    g_idle_add(
        [](gpointer data) -> gboolean {
            auto* d = static_cast<Driver*>(data);
            Host& h = *d->host;
            NativeLibrary& l = *d->lib;
            h.timed("set_callback", [&] { l.setCallback(onAction); });
            h.timed("update_labels", [&] { l.updateLabels(R"({"labels":{"toolbar.newMessage":"New"}})"); });
            h.timed("update_accounts", [&] {
                l.updateAccounts(R"({"accounts":[{"id":"a","name":"Home"},{"id":"b","name":"Work"}],"activeAccountId":"a"})");
            });
            h.timed("attach", [&] { l.attach(reinterpret_cast<void*>(std::uintptr_t{0x3a00007})); });
            h.timed("set_item_enabled", [&] { l.setItemEnabled("reply", true); });
            h.timed("set_share_url", [&] { l.setShareUrl("https://example.com/a"); });
            h.timed("run_customization", [&] { l.runCustomization(); });
            h.timed("reload_all", [&] { l.reloadAll(); });
            h.timed("detach", [&] { l.detach(); });
            h.timed("group_identifier", [&] { ::free(l.appGroupIdentifier()); });
            // Queued after everything above, so it runs once all of it has been applied.
            runOnUiThread([&h] {
                // Our thread must neither own the default context nor be able to take it: the host
                // thread is inside g_main_loop_run, so the context is the host's.
                if (g_main_context_is_owner(g_main_context_default()))
                    h.uiOwnedDefaultContext = true;
                h.uiThread = std::this_thread::get_id();
                h.uiWorkDone = true;
            });
            return G_SOURCE_REMOVE;
        },
        &driver);

    // A round trip to the UI thread from inside a host dispatch, waiting as the addon's handle checks
    // do: with the default context held by this dispatch, a UI thread that needs it would hang here.
    g_timeout_add(
        100,
        [](gpointer data) -> gboolean {
            auto* h = static_cast<Host*>(data);
            std::promise<void> done;
            auto finished = done.get_future();
            runOnUiThread([&done] { done.set_value(); });
            h->roundTripCompleted = finished.wait_for(seconds(10)) == std::future_status::ready;
            return G_SOURCE_REMOVE;
        },
        &host);

    g_timeout_add(1500, quit, &host);
    g_main_loop_run(host.loop);

    std::lock_guard lock(host.mutex);
    EXPECT_TRUE(host.uiWorkDone) << "every queued call completed on the UI thread";
    EXPECT_TRUE(host.roundTripCompleted) << "no deadlock with a round trip from a host dispatch";
    EXPECT_FALSE(host.uiOwnedDefaultContext);
    EXPECT_NE(host.uiThread, host.hostThread);
    EXPECT_EQ(host.calls.size(), 10u);
    EXPECT_LT(host.longestCall, milliseconds(20)) << "no export holds the host thread up";
    EXPECT_EQ(host.tickThreads, (std::set<std::thread::id>{host.hostThread}))
        << "host sources are dispatched on the host thread only";
    EXPECT_GT(host.ticks, 100) << "the host loop kept running";
    EXPECT_TRUE(host.actions.empty()) << "nothing was clicked";
    g_host = nullptr;
}
