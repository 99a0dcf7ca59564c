// tarnwick-focus-filter: lists the accounts a Focus filter can keep active, describes a filter, and
// applies it for the helper to pick up.
#include <QCoreApplication>
#include <iostream>

#include "tarnwick/appintents/focusfiltergui.h"
#include "tarnwick/appintents/focusfiltertool.h"
#include "tarnwick/extensionkit/appintentslogger.h"
#include "tarnwick/platform/dbusfocusfilternotifier.h"
#include "tarnwick/platform/linuxsystempaths.h"

int main(int argc, char** argv)
{
#ifdef TARNWICK_TEST_APP_GROUP
    // The test build of this program belongs to a group, as an installed build configured with one would.
    static const tarnwick::LinuxSystemPaths groupPaths{std::string(TARNWICK_TEST_APP_GROUP)};
    tarnwick::SystemPaths::setCurrent(&groupPaths);
#endif
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (tarnwick::FocusFilterGui::wanted(args))
        return tarnwick::FocusFilterGui::run(argc, argv);
    QCoreApplication app(argc, argv); // QtDBus wants one

    tarnwick::DBusFocusFilterNotifier notifier;
    tarnwick::ExtensionLogger& logger = tarnwick::AppIntentsLogger::shared();
    tarnwick::FocusFilterTool tool({tarnwick::SystemPaths::current(), notifier, logger});
    const int status = tool.run(args, std::cout, std::cerr);
    std::cout.flush();
    logger.flush();
    return status;
}
