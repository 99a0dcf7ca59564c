#include "tarnwick/native/uithread.h"

#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <future>
#include <thread>

#include <unistd.h>

#include <QApplication>
#include <QMetaObject>
#include <QThread>

namespace tarnwick::native {
namespace {

struct OwnThread {
    std::mutex mutex;
    std::condition_variable ready;
    bool started = false;
    bool ended = false;
    QCoreApplication* app = nullptr;
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

void parkOwnThread()
{
    OwnThread& state = own();
    QCoreApplication* app = nullptr;
    {
        std::lock_guard lock(state.mutex);
        app = state.app;
    }
    if (!app)
        return;
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
    isParked.wait_for(std::chrono::seconds(5));
}

void uiThreadMain(OwnThread* state)
{
    // The platform is chosen on the command line rather than through setenv(), which is not safe
    // while the host's other threads may read the environment.
    static int argc = 1;
    static char name[] = "tarnwick-native";
    static char platformFlag[] = "-platform";
    static char offscreen[] = "offscreen";
    static char* argvWindowed[] = {name, nullptr};
    static char* argvOffscreen[] = {name, platformFlag, offscreen, nullptr};
    char** argv = argvWindowed;
    if (wantsOffscreen()) {
        argc = 3;
        argv = argvOffscreen;
    }
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    {
        std::lock_guard lock(state->mutex);
        state->app = &app;
    }
    state->ready.notify_all();
    app.exec();
    std::lock_guard lock(state->mutex);
    state->app = nullptr;
    state->ended = true;
    state->ready.notify_all();
}

// The application that tasks go to; starts the own thread when the process has none.
QCoreApplication* targetApplication()
{
    if (QCoreApplication* existing = QCoreApplication::instance())
        return existing;
    OwnThread& state = own();
    std::unique_lock lock(state.mutex);
    if (!state.started) {
        state.started = true;
        state.thread = std::thread(uiThreadMain, &state);
        // Runs for the rest of the process; never joined (see parkOwnThread()).
        state.thread.detach();
        state.ready.wait(lock, [&] { return state.app != nullptr; });
        lock.unlock();
        std::atexit(parkOwnThread);
        return QCoreApplication::instance();
    }
    state.ready.wait(lock, [&] { return state.app != nullptr || state.ended; });
    return state.app;
}

} // namespace

void runOnUiThread(std::function<void()> task)
{
    if (!task)
        return;
    QCoreApplication* app = targetApplication();
    if (!app)
        return; // the own application has already ended: the process is exiting
    QMetaObject::invokeMethod(app, std::move(task), Qt::QueuedConnection);
}

bool hasUiThread()
{
    return QCoreApplication::instance() != nullptr;
}

bool isOnUiThread()
{
    QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

} // namespace tarnwick::native
