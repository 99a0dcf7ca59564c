#pragma once

// Port: the system log that extension loggers mirror their messages to.

#include <string_view>

namespace tarnwick {

class SystemLog {
public:
    enum class Level { Info, Warn, Error };
    virtual ~SystemLog() = default;
    /// One message under the subsystem "com.fenmoorlab.tarnwick" and `category`. Thread-safe.
    virtual void write(Level level, std::string_view category, std::string_view message) = 0;
};

/// syslog(3) with the identifier "com.fenmoorlab.tarnwick", the category leading the message (journald
/// keeps it) and priority LOG_INFO for info, LOG_ERR for warnings and errors.
class SyslogSystemLog final : public SystemLog {
public:
    void write(Level level, std::string_view category, std::string_view message) override;
    static SyslogSystemLog& shared();
};

} // namespace tarnwick
