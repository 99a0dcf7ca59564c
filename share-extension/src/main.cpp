// tarnwick-share: the share target. Copies shared files where the main application can read them and
// hands files, text and link over by opening tarnwick://share.
#include <QCoreApplication>
#include <iostream>

#include "tarnwick/extensionkit/shareextensionlogger.h"
#include "tarnwick/platform/linuxsystempaths.h"
#include "tarnwick/platform/urilauncher.h"
#include "tarnwick/share/sharecommandline.h"

int main(int argc, char** argv)
{
#ifdef TARNWICK_TEST_APP_GROUP
    static const tarnwick::LinuxSystemPaths groupPaths{std::string(TARNWICK_TEST_APP_GROUP)};
    tarnwick::SystemPaths::setCurrent(&groupPaths);
#endif
    QCoreApplication app(argc, argv);
    namespace cli = tarnwick::sharecommandline;
    const auto parsed = cli::parse(std::vector<std::string>(argv + 1, argv + argc));
    if (std::holds_alternative<cli::Help>(parsed)) {
        std::cout << cli::usage();
        return cli::kSuccess;
    }
    if (const auto* bad = std::get_if<cli::UsageError>(&parsed)) {
        std::cerr << "tarnwick-share: " << bad->why << "\n" << cli::usage();
        return cli::kUsage;
    }

    tarnwick::ExtensionLogger& logger = tarnwick::ShareExtensionLogger::shared();
    tarnwick::GioUriLauncher launcher;
    tarnwick::ShareRequest request(tarnwick::SystemPaths::current(), logger, launcher);
    const auto outcome = request.run(std::get<std::vector<tarnwick::ShareItem>>(parsed));
    logger.flush();
    if (outcome == tarnwick::ShareRequest::Outcome::TooLarge) {
        std::cerr << "tarnwick-share: too many or too long items to hand over in one share\n";
        return cli::kOpenFailed;
    }
    if (outcome == tarnwick::ShareRequest::Outcome::OpenFailed) {
        std::cerr << "tarnwick-share: could not open Tarnwick\n";
        return cli::kOpenFailed;
    }
    return cli::kSuccess;
}
