#include "tarnwick/appintents/focusfiltergui.h"

#include <QApplication>
#include <QIcon>

#include "tarnwick/appintents/focusfilterwindow.h"
#include "tarnwick/extensionkit/appintentslogger.h"
#include "tarnwick/platform/dbusfocusfilternotifier.h"
#include "tarnwick/platform/systempaths.h"
#include "tarnwick/platform/xdgdesktopcolorscheme.h"
#include "tarnwick/ui/apptheme.h"
#include "tarnwick/ui/tooltipwrapper.h"

namespace tarnwick::FocusFilterGui {

bool wanted(const std::vector<std::string>& args)
{
    return args.empty() || (args.size() == 1 && args.front() == "--gui");
}

int run(int& argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QString::fromLatin1(FocusFilterWindow::kWindowTitle));
    QApplication::setDesktopFileName(QStringLiteral("com.fenmoorlab.tarnwick.focus-filter"));
    // No preference reaches this program: it follows the desktop's colour scheme.
    XdgDesktopColorScheme desktopScheme;
    AppTheme theme(desktopScheme);
    ToolTipWrapper::install();
    DBusFocusFilterNotifier notifier;
    ExtensionLogger& logger = AppIntentsLogger::shared();
    FocusFilterWindow window({SystemPaths::current(), notifier, logger});
    window.setWindowIcon(QIcon::fromTheme(QStringLiteral("mail-unread")));
    window.show();
    const int status = app.exec();
    logger.flush();
    return status;
}

} // namespace tarnwick::FocusFilterGui
