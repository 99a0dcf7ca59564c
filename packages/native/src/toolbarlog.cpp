#include "toolbarlog_p.h"

#include "tarnwick/platform/systemlog.h"

namespace tarnwick::native {

void toolbarLog(std::string_view message)
{
    SyslogSystemLog::shared().write(SystemLog::Level::Warn, "Toolbar", message);
}

} // namespace tarnwick::native
