#pragma once

// Posts desktop notifications for new mail and turns the user's responses into events.

#include <memory>

#include "tarnwick/rpc/stdiotransport.h"

namespace tarnwick {

class NotificationController {
public:
    static NotificationController& shared();

    /// "notify.setup": keeps the transport and prepares the notification service once.
    void prepare(std::shared_ptr<StdioTransport> transport);
    /// "notify.clearAll": withdraws every notification still shown.
    void clearAll();
    /// "notify.dispatch": one account's new messages with the per-category levels.
    void dispatch(std::shared_ptr<StdioTransport> transport, const Object& params);

    const std::shared_ptr<StdioTransport>& transport() const { return m_transport; }

private:
    std::shared_ptr<StdioTransport> m_transport;
};

} // namespace tarnwick
