#pragma once

// The helper's log facade. Every call writes one record line to standard error (never standard
// output, which belongs to the protocol) and mirrors the message to the system log.

#include <functional>
#include <string>
#include <string_view>

namespace tarnwick {

class HelperLog {
public:
    enum class Level { Info, Warn, Error };

    static void info(std::string_view category, std::string_view message);
    static void warn(std::string_view category, std::string_view message);
    static void error(std::string_view category, std::string_view message);

    /// "<level letter>|<category>|<message>\n" with CRLF pairs, then remaining LFs, in the message
    /// replaced by one space each. A lone CR and any "|" are kept as they are.
    static std::string formatRecord(Level level, std::string_view category, std::string_view message);

    /// The system-log identifier: "com.fenmoorlab.tarnwick" unless set.
    static std::string subsystem();
    static void setSubsystem(std::string subsystem);

    /// Where records go. The default writes the record to standard error in one write and the
    /// unaltered message to syslog(3) under the subsystem, with the category leading the message.
    /// Tests install their own sink; pass nullptr to restore the default. Thread-safe.
    using Sink = std::function<void(Level, std::string_view category, std::string_view message,
                                    std::string_view record)>;
    static void setSink(Sink sink);

private:
    static void log(Level level, std::string_view category, std::string_view message);
};

} // namespace tarnwick
