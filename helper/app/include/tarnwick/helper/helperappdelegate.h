#pragma once

#include <memory>

#include "tarnwick/rpc/stdiotransport.h"

namespace tarnwick {

/// Tells the main application that the helper is going away when the desktop asks it to terminate.
class HelperAppDelegate {
public:
    explicit HelperAppDelegate(std::shared_ptr<StdioTransport> transport);

    /// Sends "app.quit" and answers that the helper may terminate now. Nothing is written after the
    /// event, so it is the last line the main application reads.
    bool applicationShouldTerminate();

private:
    std::shared_ptr<StdioTransport> m_transport;
};

} // namespace tarnwick
