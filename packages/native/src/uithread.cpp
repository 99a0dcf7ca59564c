#include "tarnwick/native/uithread.h"

#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

#include <unistd.h>

#include <QApplication>
#include <QMetaObject>
#include <QThread>

#include "tarnwick/native/embeddedwindows.h"
#include "tarnwick/native/readersafeenvironment.h"

namespace tarnwick::native {
namespace {

struct OwnThread {
    std::mutex mutex;
    std::condition_variable ready;
    bool started = false;
    bool ended = false;
    // Set once the application exists and the tasks posted while it started are on its queue.
    QCoreApplication* app = nullptr;
    // Tasks posted before the application existed, in posting order.
    std::deque<std::function<void()>> early;
    bool setNoGlib = false;
    bool parked = false;
    std::thread thread;
};

OwnThread& own()
{
    // Never destroyed: the thread may outlive every static destructor of the host.
    static auto* state = new OwnThread;
    return *state;
}

bool wantsOffscreen()
{
    return qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// The toolbar can only live inside the host's window when both speak X11 (X11 or XWayland): with a
// display to reach, the own application uses it even in a Wayland session.
bool wantsX11()
{
    return qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY");
}

// Bounds every wait of a thread that is ending for the UI thread, so a stuck UI thread cannot hold
// the process's end for long.
constexpr auto kSettleLimit = std::chrono::seconds(5);

// The own application, once it has been created; null when there is no own thread, it has ended
// or it is parked already. Waits while it is still being created.
QCoreApplication* startedOwnApplication(std::unique_lock<std::mutex>& lock)
{
    OwnThread& state = own();
    if (!state.started || state.ended || state.parked)
        return nullptr;
    state.ready.wait_for(lock, kSettleLimit, [&state] { return state.app != nullptr || state.ended; });
    return state.ended ? nullptr : state.app;
}

void parkOwnThread()
{
    OwnThread& state = own();
    QCoreApplication* app = nullptr;
    {
        std::unique_lock lock(state.mutex);
        app = startedOwnApplication(lock);
        if (!app)
            return;
        state.parked = true;
    }
    // The process is exiting and its static objects, Qt's among them, are being destroyed on this
    // thread. The UI thread must not run alongside that, nor destroy its application afterwards
    // (whose clean-up would reach objects already gone): park it inside a task until the process
    // ends.
    std::promise<void> parked;
    std::future<void> isParked = parked.get_future();
    QMetaObject::invokeMethod(
        app,
        [&parked] {
            parked.set_value();
            for (;;)
                ::pause();
        },
        Qt::QueuedConnection);
    isParked.wait_for(kSettleLimit);
}

void uiThreadMain(OwnThread* state)
{
    // The platform is chosen on the command line rather than through setenv(), which is not safe
    // while the host's other threads may read the environment.
    static int argc = 1;
    static char name[] = "tarnwick-native";
    static char platformFlag[] = "-platform";
    static char offscreen[] = "offscreen";
    static char xcb[] = "xcb";
    static char* argvWindowed[] = {name, nullptr};
    static char* argvOffscreen[] = {name, platformFlag, offscreen, nullptr};
    static char* argvX11[] = {name, platformFlag, xcb, nullptr};
    char** argv = argvWindowed;
    if (wantsOffscreen()) {
        argc = 3;
        argv = argvOffscreen;
    } else if (wantsX11()) {
        argc = 3;
        argv = argvX11;
    }
    presentEmbeddedWindowsToScreenReaders();
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    {
        std::lock_guard lock(state->mutex);
        // The event dispatcher exists now; children the host starts later must not inherit the
        // switch.
        if (state->setNoGlib)
            removeEnvironmentVariableForReaders("QT_NO_GLIB");
        while (!state->early.empty()) {
            QMetaObject::invokeMethod(&app, std::move(state->early.front()), Qt::QueuedConnection);
            state->early.pop_front();
        }
        state->app = &app;
    }
    state->ready.notify_all();
    // Exit handlers run in reverse order of registration: registered again now, the park runs
    // before the destructors of the statics Qt created while the application was constructed.
    std::atexit(parkOwnThread);
    app.exec();
    std::lock_guard lock(state->mutex);
    state->app = nullptr;
    state->ended = true;
    state->ready.notify_all();
}

// Starts the own thread; the caller holds the state's lock.
void startOwnThread(OwnThread& state)
{
    state.started = true;
    // A host without a QApplication is a GLib host more often than not (Chromium's message pump
    // runs the default main context on the host's main thread). Qt's GLib dispatcher would acquire
    // and dispatch that very context on the UI thread, running the host's sources there and
    // stalling both threads; Qt's own poll dispatcher touches no GLib context. The switch is read
    // once, while the application is constructed, and removed again right after; the host's other
    // threads may be reading the environment meanwhile.
    if (qEnvironmentVariableIsEmpty("QT_NO_GLIB")) {
        setEnvironmentVariableForReaders("QT_NO_GLIB", "1");
        state.setNoGlib = true;
    }
    state.thread = std::thread(uiThreadMain, &state);
    // Runs for the rest of the process; never joined (see parkOwnThread()).
    state.thread.detach();
    std::atexit(parkOwnThread);
}

} // namespace

void runOnUiThread(std::function<void()> task)
{
    if (!task)
        return;
    OwnThread& state = own();
    {
        std::lock_guard lock(state.mutex);
        if (!state.started) {
            if (QCoreApplication* existing = QCoreApplication::instance()) {
                QMetaObject::invokeMethod(existing, std::move(task), Qt::QueuedConnection);
                return;
            }
            startOwnThread(state);
        }
        if (state.ended)
            return; // the own application has already ended: the process is exiting
        // Never waits for the application to start: a host thread must not be held up by it.
        // Posting under the lock keeps the order with the tasks the UI thread moves over.
        if (!state.app)
            state.early.push_back(std::move(task));
        else
            QMetaObject::invokeMethod(state.app, std::move(task), Qt::QueuedConnection);
    }
}

void settleUiThread()
{
    // What the tasks queued so far create (QtDBus's connection manager, say) registers exit
    // handlers of its own; they must be in place, not half made, when the process exits.
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> settled = done->get_future();
    {
        std::unique_lock lock(own().mutex);
        QCoreApplication* app = startedOwnApplication(lock);
        if (!app)
            return;
        QMetaObject::invokeMethod(app, [done] { done->set_value(); }, Qt::QueuedConnection);
    }
    settled.wait_for(kSettleLimit);
}

void parkUiThread()
{
    parkOwnThread();
}

bool hasUiThread()
{
    if (QCoreApplication::instance() != nullptr)
        return true;
    OwnThread& state = own();
    std::lock_guard lock(state.mutex);
    return state.started && !state.ended;
}

bool isOnUiThread()
{
    QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

} // namespace tarnwick::native
