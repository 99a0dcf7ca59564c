// tarnwick-helper: the tray, notification and preferences companion of the Tarnwick main
// application, driven by JSON lines on standard input and output.

#include <QApplication>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

#include "tarnwick/helper/dispatcher.h"
#include "tarnwick/helper/displaysession.h"
#include "tarnwick/helper/focusfiltercontroller.h"
#include "tarnwick/helper/helperappdelegate.h"
#include "tarnwick/helper/settingsmodel.h"
#include "tarnwick/helper/terminationrequests.h"
#include "tarnwick/helper/themepreference.h"
#include "tarnwick/platform/linuxsystempaths.h"
#include "tarnwick/platform/qtmainqueue.h"
#include "tarnwick/platform/xdgdesktopcolorscheme.h"
#include "tarnwick/rpc/helperlog.h"
#include "tarnwick/rpc/stdiotransport.h"
#include "tarnwick/ui/apptheme.h"
#include "tarnwick/ui/tooltipwrapper.h"

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

// The helper has to speak the protocol whatever the display: without one Qt's offscreen platform
// is used directly, and behind every other choice it is the fallback, so a DISPLAY naming a server
// that is gone (Qt would abort before the first line) still gives a working helper. A display that
// is named but not up yet (an early start in a log-in) is waited for, briefly.
void selectPlatform()
{
    const displaysession::Environment env = displaysession::current();
    displaysession::waitForDisplay(env, std::chrono::seconds(10));
    qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(displaysession::platforms(env)));
}

// Ends the process without returning from main: the reader thread may still be reading and
// logging, and must never meet objects that static destruction has already torn down. Nothing is
// saved at exit; the log gets a moment to reach standard error, never an unbounded wait.
[[noreturn]] void endProcess(int status)
{
    HelperLog::flush(std::chrono::milliseconds(250));
    ::_exit(status);
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
    // Test builds of the helper name their group (or none), whatever this build was configured with.
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

    // Every window (popover, preferences) takes the appearance the `theme` preference asks for.
    XdgDesktopColorScheme desktopScheme;
    AppTheme theme(desktopScheme);
    QObject::connect(&theme, &AppTheme::appearanceChanged, [&theme](Appearance appearance) {
        HelperLog::info("Lifecycle", std::string("Windows take the ") + (appearance == Appearance::dark ? "dark" : "light") +
                                         " appearance (theme " + theme.theme() + ")");
    });
    ThemePreference::follow(SettingsModel::shared(), theme);
    ToolTipWrapper::install();

    QtMainQueue mainQueue;
    auto transport = StdioTransport::create(
        mainQueue, {STDIN_FILENO, StdioTransport::fdWriter(protocolFd), [] { QCoreApplication::exit(0); }});

    HelperAppDelegate appDelegate(transport);
    TerminationRequests terminationRequests;
    QObject::connect(&terminationRequests, &TerminationRequests::requested, [&appDelegate] {
        // Leaving the event loop runs the aboutToQuit clean-ups (banner pictures), then main ends
        // the process at once.
        if (appDelegate.applicationShouldTerminate())
            QCoreApplication::exit(0);
    });

    HelperLog::info("Lifecycle", "TarnwickHelper started");
    if (QGuiApplication::platformName() == QLatin1String("offscreen") &&
        (qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY")))
        HelperLog::warn("Lifecycle", "No display could be reached: running offscreen, so the tray popover and "
                                     "windows are not shown on any screen");
    mainQueue.post([transport] { FocusFilterController::shared().setup(transport); });
    transport->onMessage(Dispatcher(transport, mainQueue, HelperComponents::shared()));
    transport->startReading();
    // A tray-only program: no window is shown, so there is no taskbar entry to suppress.

    endProcess(QApplication::exec());
}
