#pragma once

#include "tarnwick/extensionkit/extensionlogger.h"

namespace tarnwick {

/// The file logger of the widget host: "widgets-extension.log", category "Widgets".
class WidgetsLogger final : public ExtensionLogger {
public:
    static ExtensionLogger::Config config();
    /// The process-wide instance, created on first use with SystemPaths::current(); its destructor
    /// at exit writes whatever is still queued.
    static WidgetsLogger& shared();

    using ExtensionLogger::ExtensionLogger;
};

} // namespace tarnwick
