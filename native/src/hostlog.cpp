#include "hostlog.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tarnwick/platform/systemlog.h"

namespace tarnwick::nativelib {

void hostLog(std::string_view message)
{
    SyslogSystemLog::shared().write(SystemLog::Level::Warn, "NativeToolbar", message);
    const char* mirror = std::getenv("TARNWICK_ADDON_LOG_STDERR");
    if (mirror && std::strcmp(mirror, "1") == 0) {
        const std::string line = "W|NativeToolbar|" + std::string(message) + "\n";
        std::fwrite(line.data(), 1, line.size(), stderr);
    }
}

} // namespace tarnwick::nativelib
