#include "tarnwick/native/uithread.h"

#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

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

void stopOwnThread()
{
    OwnThread& state = own();
    QCoreApplication* app = nullptr;
    {
        std::lock_guard lock(state.mutex);
        app = state.app;
    }
    if (!app || !state.thread.joinable())
        return;
    // Let the application end on its own thread before the process tears down Qt's globals.
    QMetaObject::invokeMethod(app, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    state.thread.join();
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
        state.ready.wait(lock, [&] { return state.app != nullptr; });
        lock.unlock();
        std::atexit(stopOwnThread);
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
