#include "tarnwick/helper/terminationrequests.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace tarnwick {
namespace {

int g_pipe[2] = {-1, -1};
std::atomic<int> g_signals{0}; // lock-free, so safe in a signal handler

void onSignal(int sig)
{
    // The first request is answered on the main thread. If that thread is stuck (a parent that
    // reads nothing blocks the goodbye line), a second request ends the process the way the signal
    // would have without us.
    if (g_signals.fetch_add(1) > 0) {
        ::signal(sig, SIG_DFL);
        ::raise(sig);
        return;
    }
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

} // namespace

TerminationRequests::TerminationRequests(QObject* parent)
    : QObject(parent)
{
    g_signals = 0;
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) == 0) {
        auto* notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, [this] {
            char buf[16];
            while (::read(g_pipe[0], buf, sizeof buf) > 0) {
            }
            Q_EMIT requested();
        });
        struct sigaction action = {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (int sig : {SIGTERM, SIGINT, SIGHUP})
            ::sigaction(sig, &action, nullptr);
    }
#ifndef QT_NO_SESSIONMANAGER
    if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        // Ending the session asks running programs to commit their data first; that is our cue.
        connect(gui, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) { Q_EMIT requested(); });
    }
#endif
}

TerminationRequests::~TerminationRequests()
{
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        ::signal(sig, SIG_DFL);
    for (int& fd : g_pipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

} // namespace tarnwick
