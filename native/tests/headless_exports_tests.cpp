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

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

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

// A session without X11 (pure Wayland, or no display at all): an X11 window id cannot be used, and
// the host learns why from the log instead of a crash or silence.
TEST(ExportsWithoutHostApplication, ForeignHandleWithoutX11IsLoggedAndIgnored)
{
    ::setenv("TARNWICK_ADDON_LOG_STDERR", "1", 1);
    char path[] = "/tmp/tarnwick-headless-log-XXXXXX";
    const int file = ::mkstemp(path);
    ASSERT_GE(file, 0);
    std::fflush(stderr);
    const int saved = ::dup(2);
    ::dup2(file, 2);
    NativeLibrary lib;
    ASSERT_TRUE(lib.open()) << ::dlerror();
    lib.attach(reinterpret_cast<void*>(std::uintptr_t{0x3c00004}));
    onUi([] { return true; });
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    std::string text(4096, '\0');
    text.resize(static_cast<std::size_t>(std::max<ssize_t>(0, ::pread(file, text.data(), text.size(), 0))));
    ::close(file);
    ::unlink(path);
    EXPECT_NE(text.find("W|NativeToolbar|Ignoring window handle 0x3c00004: it is no widget of this process and "
                        "there is no X11 display (Qt platform \"offscreen\")"),
              std::string::npos)
        << text;
}
