#include "tarnwick/extensionkit/extensionlogger.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tarnwick/rpc/logredaction.h"
#include "urlparts_p.h"

namespace tarnwick {
namespace {

const char* levelText(ExtensionLogger::Level level)
{
    switch (level) {
    case ExtensionLogger::Level::Info: return "info";
    case ExtensionLogger::Level::Warn: return "warn";
    case ExtensionLogger::Level::Error: return "error";
    }
    return "info";
}

SystemLog::Level systemLevel(ExtensionLogger::Level level)
{
    switch (level) {
    case ExtensionLogger::Level::Info: return SystemLog::Level::Info;
    case ExtensionLogger::Level::Warn: return SystemLog::Level::Warn;
    case ExtensionLogger::Level::Error: return SystemLog::Level::Error;
    }
    return SystemLog::Level::Info;
}

void replaceAll(std::string& text, std::string_view needle, std::string_view with)
{
    if (needle.empty())
        return;
    std::string out;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find(needle, from)) != std::string::npos; from = at + needle.size()) {
        out.append(text, from, at - from);
        out.append(with);
    }
    if (from == 0)
        return;
    out.append(text, from, std::string::npos);
    text = std::move(out);
}

bool usableHome(const std::string& home)
{
    return !home.empty() && home != "/";
}


} // namespace

ExtensionLogger::ExtensionLogger(Config config, const SystemPaths& paths, SystemLog& systemLog)
    : m_config(std::move(config))
    , m_paths(paths)
    , m_systemLog(systemLog)
    , m_realHome([&]() -> std::optional<std::string> {
        if (auto home = paths.realHomeDirectory())
            return home->string();
        return std::nullopt;
    }())
{
    m_thread = std::thread([this] { run(); });
    // Thread names are at most 15 characters; the label's last part identifies the logger.
    std::string name = m_config.queueLabel.substr(m_config.queueLabel.rfind('.') + 1).substr(0, 15);
    ::pthread_setname_np(m_thread.native_handle(), name.c_str());
}

ExtensionLogger::~ExtensionLogger()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void ExtensionLogger::info(std::string_view message)
{
    log(Level::Info, message);
}

void ExtensionLogger::warn(std::string_view message)
{
    log(Level::Warn, message);
}

void ExtensionLogger::error(std::string_view message)
{
    log(Level::Error, message);
}

void ExtensionLogger::log(Level level, std::string_view message)
{
    {
        std::lock_guard lock(m_mutex);
        m_queue.emplace_back([this, level, text = std::string(message)] { writeToFile(level, text); });
    }
    m_wake.notify_one();
}

void ExtensionLogger::flush()
{
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return m_queue.empty() && !m_busy; });
}

void ExtensionLogger::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
        if (m_queue.empty()) {
            if (m_stopping)
                return;
            continue;
        }
        auto task = std::move(m_queue.front());
        m_queue.pop_front();
        m_busy = true;
        lock.unlock();
        task();
        lock.lock();
        m_busy = false;
        if (m_queue.empty())
            m_idle.notify_all();
    }
}

std::optional<std::filesystem::path> ExtensionLogger::logFilePath() const
{
    auto container = m_paths.appGroupContainer();
    if (!container)
        return std::nullopt;
    return *container / "logs" / m_config.logFileName;
}

void ExtensionLogger::writeToFile(Level level, const std::string& message)
{
    const std::string redacted = redactText(message);
    // The system log gets the redacted text too: logs never carry a home path or an address.
    m_systemLog.write(systemLevel(level), m_config.category, redacted);

    const auto logFile = logFilePath();
    if (!logFile)
        return;
    // Other programs of the user can write to the container: the logs folder and file are opened
    // without following a link put in their place, and are the user's alone.
    const std::filesystem::path folder = logFile->parent_path();
    std::error_code ignored;
    std::filesystem::create_directories(folder.parent_path(), ignored);
    ::mkdir(folder.c_str(), 0700);
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dir < 0)
        return; // a line that cannot be written is dropped
    const std::string name = logFile->filename().string();
    // A link, FIFO or device in the log's place is taken away: the log goes on in a file of its own.
    if (struct stat st {}; ::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISREG(st.st_mode) &&
                           !S_ISDIR(st.st_mode))
        ::unlinkat(dir, name.c_str(), 0);
    rotateIfNeeded(dir, name, rotatedPath(*logFile).filename().string());

    const std::string line = formatLine(timestampNow(), level, m_config.category, redacted);
    // O_NONBLOCK: a FIFO in the file's place fails at once instead of waiting for a reader.
    const int fd = ::openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    ::close(dir);
    if (fd < 0)
        return;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return;
    }
    std::string_view rest = line;
    while (!rest.empty()) {
        const ssize_t n = ::write(fd, rest.data(), rest.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        rest.remove_prefix(static_cast<std::size_t>(n));
    }
    ::close(fd);
}

void ExtensionLogger::rotateIfNeeded(int folder, const std::string& name, const std::string& rotatedName) const
{
    struct stat st {};
    if (::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
        return;
    if (st.st_size > m_config.maxSizeBytes) {
        ::unlinkat(folder, rotatedName.c_str(), 0);
        ::renameat(folder, name.c_str(), folder, rotatedName.c_str());
    }
}

std::string ExtensionLogger::formatLine(std::string_view timestamp, Level level, std::string_view category,
                                        std::string_view message)
{
    std::string line;
    line.reserve(timestamp.size() + category.size() + message.size() + 16);
    line += '[';
    line += timestamp;
    line += "] [";
    line += levelText(level);
    line += "] (";
    line += category;
    line += ") ";
    for (std::size_t i = 0; i < message.size(); ++i) {
        if (message[i] == '\r' && i + 1 < message.size() && message[i + 1] == '\n') {
            line += ' ';
            ++i;
        } else if (message[i] == '\n') {
            line += ' ';
        } else {
            line += message[i];
        }
    }
    line += '\n';
    return line;
}

std::string ExtensionLogger::timestampNow()
{
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local {};
    ::localtime_r(&seconds, &local);
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d.%03d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(millis < 0 ? millis + 1000 : millis));
    return buffer;
}

std::filesystem::path ExtensionLogger::rotatedPath(const std::filesystem::path& logFile)
{
    auto rotated = logFile;
    rotated.replace_extension("old.log");
    return rotated;
}

std::string ExtensionLogger::redactEmails(std::string_view text)
{
    return redactEmailAddresses(text);
}

std::string ExtensionLogger::redactText(std::string_view text) const
{
    std::string out = m_config.redactsEmails ? redactEmails(text) : std::string(text);
    if (m_realHome && usableHome(*m_realHome))
        replaceAll(out, *m_realHome, "~");
    const std::string processHome = m_paths.processHomeDirectory().string();
    if (usableHome(processHome))
        replaceAll(out, processHome, "~");
    return out;
}

std::string ExtensionLogger::redactUrl(std::string_view text) const
{
    if (text.empty())
        return {};
    // Before parsing: a mail link the parser refuses (a non-ASCII address, say) is one all the same.
    const std::size_t start = text.find_first_not_of(" \t");
    if (start != std::string_view::npos && urlparts::lower(text.substr(start, 7)) == "mailto:")
        return "mailto:<redacted>";
    const auto parts = urlparts::parse(text);
    if (!parts) {
        // Not a URL the parser takes, but one all the same: its scheme only.
        if (const std::size_t separator = text.find("://"); separator != std::string_view::npos)
            return redactText(text.substr(0, separator)) + "://<redacted>";
        return redactText(text);
    }
    // Scheme and host only: a path can be a secret as much as a query (a document's capability
    // token, a file's name, a home folder).
    std::string out;
    if (parts->scheme)
        out += *parts->scheme + "://";
    if (parts->host)
        out += urlparts::percentDecode(*parts->host);
    if (!parts->path.empty() && parts->path != "/")
        out += parts->path.front() == '/' ? "/<redacted>" : "<redacted>";
    if (parts->query || parts->fragment)
        out += "?<redacted>";
    return out;
}

} // namespace tarnwick
