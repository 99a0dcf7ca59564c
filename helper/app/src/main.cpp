// tarnwick-helper: the tray, notification and preferences companion of the Tarnwick main
// application, driven by JSON lines on standard input and output.

#include <QApplication>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

#include "tarnwick/helper/dispatcher.h"
#include "tarnwick/helper/focusfiltercontroller.h"
#include "tarnwick/helper/helperappdelegate.h"
#include "tarnwick/helper/terminationrequests.h"
#include "tarnwick/platform/linuxsystempaths.h"
#include "tarnwick/platform/qtmainqueue.h"
#include "tarnwick/rpc/helperlog.h"
#include "tarnwick/rpc/stdiotransport.h"

using namespace tarnwick;

namespace {

// Standard output carries the protocol and nothing else. Keep a private descriptor for it and point
// descriptor 1 at standard error, so a stray print from any library can never corrupt a line.
int reserveStdoutForProtocol()
{
    const int protocolFd = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    if (protocolFd < 0)
        return STDOUT_FILENO;
    ::dup2(STDERR_FILENO, STDOUT_FILENO);
    return protocolFd;
}

// Without a display the helper still has to speak the protocol; Qt's offscreen platform needs none.
void selectPlatform()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// Qt's own diagnostics become log records on standard error.
void routeQtMessage(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    const std::string text = message.toStdString();
    switch (type) {
    case QtDebugMsg:
    case QtInfoMsg: HelperLog::info("Qt", text); break;
    case QtWarningMsg: HelperLog::warn("Qt", text); break;
    case QtCriticalMsg:
    case QtFatalMsg: HelperLog::error("Qt", text); break;
    }
}

} // namespace

int main(int argc, char** argv)
{
#ifdef TARNWICK_TEST_APP_GROUP
    // The test build of the helper belongs to a group, as an installed build configured with one would.
    static const LinuxSystemPaths groupPaths{std::string(TARNWICK_TEST_APP_GROUP)};
    SystemPaths::setCurrent(&groupPaths);
#endif
    const int protocolFd = reserveStdoutForProtocol();
    std::signal(SIGPIPE, SIG_IGN); // a main application that went away must not kill us mid-write
    selectPlatform();
    qInstallMessageHandler(routeQtMessage);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarnwick"));
    QApplication::setDesktopFileName(QStringLiteral("com.fenmoorlab.tarnwick"));
    QApplication::setQuitOnLastWindowClosed(false); // the preferences window closing is no reason to quit

    QtMainQueue mainQueue;
    auto transport = StdioTransport::create(
        mainQueue, {STDIN_FILENO, StdioTransport::fdWriter(protocolFd), [] { QCoreApplication::exit(0); }});

    HelperAppDelegate appDelegate(transport);
    TerminationRequests terminationRequests;
    QObject::connect(&terminationRequests, &TerminationRequests::requested, [&appDelegate] {
        if (appDelegate.applicationShouldTerminate())
            QCoreApplication::exit(0);
    });

    HelperLog::info("Lifecycle", "TarnwickHelper started");
    mainQueue.post([transport] { FocusFilterController::shared().setup(transport); });
    transport->onMessage(Dispatcher(transport, mainQueue, HelperComponents::shared()));
    transport->startReading();
    // A tray-only program: no window is shown, so there is no taskbar entry to suppress.

    const int status = QApplication::exec();
    transport->onMessage(nullptr); // breaks the transport <-> dispatcher ownership cycle
    return status;
}
