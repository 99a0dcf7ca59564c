#pragma once

// The extension file logger: each of Tarnwick's extension programs appends plain-text lines to its
// own file in the group container's "logs" directory (where the main application collects them) and
// mirrors every message to the system log. One implementation, configured per program by
// AppIntentsLogger, WidgetsLogger and ShareExtensionLogger.
//
// Line: "[yyyy-MM-dd HH:mm:ss.SSS] [level] (Category) message\n", local time, the message redacted
// (home directories become "~", and with `redactsEmails` addresses become "<email>") and flattened to
// one line. Above 5 MiB the file moves to "<name>.old.log" before the next line.
//
// Callers never wait on file I/O: info/warn/error queue the work on the logger's own serial thread,
// which redacts, formats, rotates, writes and mirrors, in call order.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "tarnwick/platform/systemlog.h"
#include "tarnwick/platform/systempaths.h"

namespace tarnwick {

class ExtensionLogger {
public:
    enum class Level { Info, Warn, Error };

    struct Config {
        std::string logFileName;   ///< e.g. "widgets-extension.log"
        std::string category;      ///< e.g. "Widgets"
        std::string queueLabel;    ///< names the logger's thread (diagnostics only)
        bool redactsEmails = false;
        std::int64_t maxSizeBytes = 5242880;
    };

    /// `paths` and `systemLog` must outlive the logger. The real home is resolved once, here.
    explicit ExtensionLogger(Config config, const SystemPaths& paths = SystemPaths::current(),
                             SystemLog& systemLog = SyslogSystemLog::shared());
    /// Writes every line still queued, then stops the thread.
    virtual ~ExtensionLogger();
    ExtensionLogger(const ExtensionLogger&) = delete;
    ExtensionLogger& operator=(const ExtensionLogger&) = delete;

    void info(std::string_view message);
    void warn(std::string_view message);
    void error(std::string_view message);
    /// Queues one line and returns at once. Thread-safe.
    void log(Level level, std::string_view message);
    /// Blocks until every line queued before the call is written. Programs call it before exiting.
    void flush();

    /// Addresses (when configured), then the real home, then the process home replaced; a home of ""
    /// or "/" is never replaced.
    std::string redactText(std::string_view text) const;
    /// A link made safe to log: "mailto:<redacted>" for mail links; scheme "://" host path and
    /// "?<redacted>" when a query or fragment was present; user, password and port dropped. Text that
    /// is not a URL gets redactText().
    std::string redactUrl(std::string_view text) const;

    const Config& config() const { return m_config; }
    /// The log file, or nothing without a group container (then only the system log gets messages).
    std::optional<std::filesystem::path> logFilePath() const;

    /// "[timestamp] [level] (category) message\n" with CR LF pairs, then LFs, turned into spaces.
    static std::string formatLine(std::string_view timestamp, Level level, std::string_view category,
                                  std::string_view message);
    /// The local time in the line's format.
    static std::string timestampNow();
    /// "<stem>.old.log" beside the log file.
    static std::filesystem::path rotatedPath(const std::filesystem::path& logFile);
    /// Every match of [A-Za-z0-9._%+-]+@[A-Za-z0-9.-]+\.[A-Za-z]{2,} replaced by "<email>".
    static std::string redactEmails(std::string_view text);

private:
    void run();
    void writeToFile(Level level, const std::string& message);
    void rotateIfNeeded(int folder, const std::string& name, const std::string& rotatedName) const;

    const Config m_config;
    const SystemPaths& m_paths;
    SystemLog& m_systemLog;
    const std::optional<std::string> m_realHome;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<std::function<void()>> m_queue;
    bool m_busy = false;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace tarnwick
