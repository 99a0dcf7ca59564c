// The exports in a host without any QApplication, as in a plain Node.js process: the library starts
// its own UI thread, applies toolbar work there in order and calls back from there.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMainWindow>
#include <QTextEdit>
#include <QToolBar>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "nativelibrary.h"
#include "tarnwick/native/accountsegmentedcontrol.h"
#include "tarnwick/native/uithread.h"

using namespace tarnwick::native;

namespace {

std::mutex g_mutex;
std::condition_variable g_changed;
std::vector<std::pair<std::string, std::string>> g_actions;
std::thread::id g_callbackThread;

void record(const char* a, const char* p)
{
    {
        std::lock_guard lock(g_mutex);
        g_actions.emplace_back(a, p);
        g_callbackThread = std::this_thread::get_id();
    }
    g_changed.notify_all();
}

// Runs `work` on the UI thread and waits for its result.
template <typename F>
auto onUi(F work) -> decltype(work())
{
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
    decltype(work()) result {};
    runOnUiThread([&] {
        result = work();
        std::lock_guard lock(m);
        done = true;
        cv.notify_all();
    });
    std::unique_lock lock(m);
    EXPECT_TRUE(cv.wait_for(lock, std::chrono::seconds(20), [&] { return done; }));
    return result;
}

} // namespace

TEST(ExportsWithoutHostApplication, ToolbarWorksOnTheLibrarysOwnUiThread)
{
    ASSERT_EQ(QCoreApplication::instance(), nullptr);
    NativeLibrary lib;
    ASSERT_TRUE(lib.open()) << ::dlerror();
    lib.setCallback(record);
    lib.updateLabels(R"({"labels":{"toolbar.newMessage":"New Message"}})");
    lib.updateAccounts(R"({"accounts":[{"id":"a","name":"Home"},{"id":"b","name":"Work"}],"activeAccountId":"a"})");
    ASSERT_TRUE(hasUiThread()) << "the first export started the UI thread";

    // The host's window, made on the UI thread as a host would.
    QMainWindow* window = onUi([] {
        auto* w = new QMainWindow;
        w->setCentralWidget(new QTextEdit);
        w->show();
        return w;
    });
    ASSERT_NE(window, nullptr);
    lib.attach(window->centralWidget());
    lib.setItemEnabled("print", true);

    const int segments = onUi([window] {
        auto* control = window->findChild<AccountSegmentedControl*>();
        return control ? control->segmentCount() : -1;
    });
    EXPECT_EQ(segments, 2) << "labels, accounts and attach were applied in order";
    EXPECT_TRUE(onUi([window] {
        auto* print = window->findChild<QAbstractButton*>("print");
        return print && print->isEnabled();
    }));

    // A click on the UI thread comes back through the callback, on that thread.
    const std::thread::id uiThread = onUi([window] {
        window->findChild<QAbstractButton*>("compose")->click();
        return std::this_thread::get_id();
    });
    {
        std::unique_lock lock(g_mutex);
        ASSERT_TRUE(g_changed.wait_for(lock, std::chrono::seconds(20), [] { return !g_actions.empty(); }));
        EXPECT_EQ(g_actions, (std::vector<std::pair<std::string, std::string>>{{"newMessage", ""}}));
        EXPECT_EQ(g_callbackThread, uiThread);
        EXPECT_NE(g_callbackThread, std::this_thread::get_id());
    }

    lib.detach();
    EXPECT_TRUE(onUi([window] { return window->findChildren<QToolBar*>().isEmpty(); }));
    onUi([window] {
        delete window;
        return true;
    });
    lib.setCallback(nullptr);
}
