#pragma once

// The helper's log facade. Every call writes one record line to standard error (never standard
// output, which belongs to the protocol) and mirrors the message to the system log.
//
// A call never waits for standard error: records are queued and written, whole and in call order,
// by one writer thread. When standard error is not being read (a pipe nobody drains) the queue stops
// at 1 MiB; later records are dropped and counted, and once standard error moves again a record
// "W|Log|Dropped <n> log record(s) while standard error was not being read" says how many.

#include <chrono>
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
    /// replaced by one space each, and any other control character (a lone CR among them) written
    /// as "\xHH". Any "|" is kept as it is. Records are logged with every e-mail address in the
    /// message replaced by "<email>".
    static std::string formatRecord(Level level, std::string_view category, std::string_view message);

    /// The system-log identifier: "com.fenmoorlab.tarnwick" unless set.
    static std::string subsystem();
    static void setSubsystem(std::string subsystem);

    /// Waits until every record logged before the call has been written, at most `timeout`.
    /// Returns false when standard error did not take them in time. Called before the process ends;
    /// also run at exit for programs that return from main.
    static bool flush(std::chrono::milliseconds timeout);

    /// Where the default sink writes its records (standard error unless set); for tests.
    static void setOutputFd(int fd);

    /// Where records go. The default queues the record for standard error and the unaltered
    /// message for syslog(3) under the subsystem, with the category leading the message.
    /// Tests install their own sink, which is called synchronously; pass nullptr to restore the
    /// default. Thread-safe.
    using Sink = std::function<void(Level, std::string_view category, std::string_view message,
                                    std::string_view record)>;
    static void setSink(Sink sink);

private:
    static void log(Level level, std::string_view category, std::string_view message);
};

} // namespace tarnwick
