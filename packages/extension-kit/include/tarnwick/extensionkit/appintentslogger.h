#pragma once

#include "tarnwick/extensionkit/extensionlogger.h"

namespace tarnwick {

/// The file logger of the Focus filter tool: "app-intents-extension.log", category "AppIntents".
class AppIntentsLogger final : public ExtensionLogger {
public:
    static ExtensionLogger::Config config();
    /// The process-wide instance, created on first use with SystemPaths::current(); its destructor
    /// at exit writes whatever is still queued.
    static AppIntentsLogger& shared();

    using ExtensionLogger::ExtensionLogger;
};

} // namespace tarnwick
