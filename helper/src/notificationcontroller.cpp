#include "tarnwick/helper/notificationcontroller.h"

namespace tarnwick {

NotificationController& NotificationController::shared()
{
    static NotificationController* instance = new NotificationController;
    return *instance;
}

void NotificationController::prepare(std::shared_ptr<StdioTransport> transport)
{
    m_transport = std::move(transport);
    // PENDING: the notification service set-up.
}

void NotificationController::clearAll()
{
    // PENDING: withdrawing shown notifications.
}

void NotificationController::dispatch(std::shared_ptr<StdioTransport> transport, const Object& params)
{
    // PENDING: posting notifications.
    (void)transport;
    (void)params;
}

} // namespace tarnwick
