#pragma once

#include "tarnwick/extensionkit/extensionlogger.h"

namespace tarnwick {

/// The file logger of the share target: "share-extension.log", category "ShareExtension".
class ShareExtensionLogger final : public ExtensionLogger {
public:
    static ExtensionLogger::Config config();
    /// The process-wide instance, created on first use with SystemPaths::current(); its destructor
    /// at exit writes whatever is still queued.
    static ShareExtensionLogger& shared();

    using ExtensionLogger::ExtensionLogger;
};

} // namespace tarnwick
