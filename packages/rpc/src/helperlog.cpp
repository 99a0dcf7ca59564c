#include "tarnwick/rpc/helperlog.h"

#include <cerrno>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <syslog.h>
#include <unistd.h>

namespace tarnwick {
namespace {

struct LogState {
    std::shared_mutex mutex;
    std::string subsystem = "com.fenmoorlab.tarnwick";
    std::shared_ptr<const HelperLog::Sink> sink;
    bool syslogOpen = false;
    bool syslogAvailable = false;
};

LogState& state()
{
    static LogState s;
    return s;
}

char levelLetter(HelperLog::Level level)
{
    switch (level) {
    case HelperLog::Level::Info: return 'I';
    case HelperLog::Level::Warn: return 'W';
    case HelperLog::Level::Error: return 'E';
    }
    return '?';
}

void writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return; // a broken standard error is not reported anywhere
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

void defaultSink(HelperLog::Level level, std::string_view category, std::string_view message,
                 std::string_view record)
{
    writeAll(STDERR_FILENO, record);

    LogState& s = state();
    {
        std::unique_lock lock(s.mutex);
        if (!s.syslogOpen) {
            // openlog keeps the pointer, so the identifier must outlive every later call.
            static std::string ident;
            ident = s.subsystem;
            // Without a system log socket glibc retries socket+connect on every call; skip the
            // mirror instead of paying four failing system calls per record.
            s.syslogAvailable = ::access("/dev/log", W_OK) == 0;
            if (s.syslogAvailable)
                ::openlog(ident.c_str(), LOG_PID | LOG_NDELAY, LOG_USER);
            s.syslogOpen = true;
        }
        if (!s.syslogAvailable)
            return;
    }
    const int priority = level == HelperLog::Level::Info ? LOG_INFO : LOG_ERR;
    ::syslog(priority, "%.*s: %.*s", static_cast<int>(category.size()), category.data(),
             static_cast<int>(message.size()), message.data());
}

} // namespace

std::string HelperLog::formatRecord(Level level, std::string_view category, std::string_view message)
{
    std::string record;
    record.reserve(category.size() + message.size() + 4);
    record.push_back(levelLetter(level));
    record.push_back('|');
    record.append(category);
    record.push_back('|');
    for (std::size_t i = 0; i < message.size(); ++i) {
        if (message[i] == '\r' && i + 1 < message.size() && message[i + 1] == '\n') {
            record.push_back(' ');
            ++i;
        } else if (message[i] == '\n') {
            record.push_back(' ');
        } else {
            record.push_back(message[i]);
        }
    }
    record.push_back('\n');
    return record;
}

void HelperLog::log(Level level, std::string_view category, std::string_view message)
{
    const std::string record = formatRecord(level, category, message);
    std::shared_ptr<const Sink> sink;
    {
        std::shared_lock lock(state().mutex);
        sink = state().sink;
    }
    if (sink)
        (*sink)(level, category, message, record);
    else
        defaultSink(level, category, message, record);
}

void HelperLog::info(std::string_view category, std::string_view message)
{
    log(Level::Info, category, message);
}

void HelperLog::warn(std::string_view category, std::string_view message)
{
    log(Level::Warn, category, message);
}

void HelperLog::error(std::string_view category, std::string_view message)
{
    log(Level::Error, category, message);
}

std::string HelperLog::subsystem()
{
    std::shared_lock lock(state().mutex);
    return state().subsystem;
}

void HelperLog::setSubsystem(std::string subsystem)
{
    std::unique_lock lock(state().mutex);
    state().subsystem = std::move(subsystem);
    if (state().syslogOpen) {
        ::closelog();
        state().syslogOpen = false;
    }
}

void HelperLog::setSink(Sink sink)
{
    std::unique_lock lock(state().mutex);
    state().sink = sink ? std::make_shared<const Sink>(std::move(sink)) : nullptr;
}

} // namespace tarnwick
