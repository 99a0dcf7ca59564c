#include "tarnwick/helper/helperappdelegate.h"

namespace tarnwick {

HelperAppDelegate::HelperAppDelegate(std::shared_ptr<StdioTransport> transport)
    : m_transport(std::move(transport))
{
}

bool HelperAppDelegate::applicationShouldTerminate()
{
    m_transport->sendEvent("app.quit");
    m_transport->closeOutput();
    return true;
}

} // namespace tarnwick
