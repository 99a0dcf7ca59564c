#include "addonlog.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <syslog.h>

namespace tarnwick::addon {

namespace {

constexpr const char* kCategory = "NativeToolbar";

bool mirrorToStderr()
{
    static const bool enabled = [] {
        const char* value = std::getenv("TARNWICK_ADDON_LOG_STDERR");
        return value != nullptr && std::strcmp(value, "1") == 0;
    }();
    return enabled;
}

} // namespace

void AddonLog::write(Level level, std::string_view message)
{
    static std::once_flag opened;
    // openlog keeps the pointer, so the identifier is a literal.
    std::call_once(opened, [] { ::openlog("com.fenmoorlab.tarnwick", LOG_PID, LOG_USER); });
    const int priority = level == Level::Debug ? LOG_DEBUG : level == Level::Info ? LOG_INFO : LOG_ERR;
    ::syslog(priority, "%s: %.*s", kCategory, static_cast<int>(message.size()), message.data());

    if (mirrorToStderr()) {
        const char letter = level == Level::Debug ? 'D' : level == Level::Info ? 'I' : 'E';
        std::string record;
        record.reserve(message.size() + 24);
        record += letter;
        record += '|';
        record += kCategory;
        record += '|';
        record += message;
        record += '\n';
        // One write per record, so records from two threads never interleave.
        std::fwrite(record.data(), 1, record.size(), stderr);
        std::fflush(stderr);
    }
}

} // namespace tarnwick::addon
