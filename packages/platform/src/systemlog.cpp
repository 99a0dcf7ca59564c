#include "tarnwick/platform/systemlog.h"

#include <mutex>
#include <syslog.h>

namespace tarnwick {

void SyslogSystemLog::write(Level level, std::string_view category, std::string_view message)
{
    static std::once_flag opened;
    // openlog keeps the pointer, so the identifier is a literal.
    std::call_once(opened, [] { ::openlog("com.fenmoorlab.tarnwick", LOG_PID, LOG_USER); });
    const int priority = level == Level::Info ? LOG_INFO : LOG_ERR;
    ::syslog(priority, "%.*s: %.*s", static_cast<int>(category.size()), category.data(),
             static_cast<int>(message.size()), message.data());
}

SyslogSystemLog& SyslogSystemLog::shared()
{
    static SyslogSystemLog instance;
    return instance;
}

} // namespace tarnwick
