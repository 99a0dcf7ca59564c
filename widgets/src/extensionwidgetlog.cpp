#include "tarnwick/widgets/extensionwidgetlog.h"

#include "tarnwick/extensionkit/extensionlogger.h"

namespace tarnwick {

void ExtensionWidgetLog::info(std::string_view message)
{
    m_logger.info(message);
}

void ExtensionWidgetLog::warn(std::string_view message)
{
    m_logger.warn(message);
}

void ExtensionWidgetLog::error(std::string_view message)
{
    m_logger.error(message);
}

std::string ExtensionWidgetLog::redactText(std::string_view text) const
{
    return m_logger.redactText(text);
}

} // namespace tarnwick
