#include "tarnwick/rpc/helperlog.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <poll.h>
#include <shared_mutex>
#include <syslog.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

#include "tarnwick/rpc/logredaction.h"

namespace tarnwick {
namespace {

// Records waiting for the writer thread beyond this many bytes are dropped and counted: a standard
// error nobody reads must cost bounded memory and never stall the caller.
constexpr std::size_t kMaxPendingBytes = 1 << 20;
// Once woken, the writer lets records gather this long (or until this many bytes wait) before it
// writes: a burst of requests then costs a few writes and wake-ups instead of one per record.
constexpr std::chrono::milliseconds kGatherTime{2};
constexpr std::size_t kGatherBytes = 1 << 16;

struct SyslogEntry {
    int priority;
    std::string text; // "<category>: <message>", the message unaltered
};

// The default sink's queue: callers append and return; one writer thread does the blocking I/O.
struct Writer {
    std::mutex mutex;
    std::condition_variable wake;    // the writer waits for records or a flush
    std::condition_variable drained; // flushers wait for the writer to catch up
    std::string pending;             // whole records, in call order
    std::vector<SyslogEntry> pendingSyslog;
    std::uint64_t dropped = 0;
    std::uint64_t queuedSeq = 0;  // records accepted so far
    std::uint64_t writtenSeq = 0; // records the writer has finished with
    bool started = false;
    bool flushWanted = false; // a flusher waits: write what is there now
    int fd = STDERR_FILENO;
    bool syslogAvailable = false;
};

struct LogState {
    std::shared_mutex mutex;
    std::string subsystem = "com.fenmoorlab.tarnwick";
    std::shared_ptr<const HelperLog::Sink> sink;
    std::atomic<bool> hasSink{false}; // read without the lock on every record
    std::atomic<bool> syslogOpen{false};
    Writer writer;
};

// Never destroyed: the detached writer thread and late callers on other threads may use it while
// the process is exiting.
LogState& state()
{
    static LogState* s = new LogState;
    return *s;
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

// Blocking write of everything, also through a descriptor someone left non-blocking.
void writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, -1);
            continue;
        }
        if (n <= 0)
            return; // a broken standard error is not reported anywhere
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

void writerLoop(Writer& w)
{
    std::string batch;
    std::vector<SyslogEntry> entries;
    std::unique_lock lock(w.mutex);
    for (;;) {
        w.wake.wait(lock, [&] { return !w.pending.empty() || w.dropped > 0; });
        w.wake.wait_for(lock, kGatherTime, [&] { return w.flushWanted || w.pending.size() >= kGatherBytes; });
        w.flushWanted = false;
        batch.swap(w.pending);
        entries.swap(w.pendingSyslog);
        const std::uint64_t dropped = std::exchange(w.dropped, 0);
        const std::uint64_t seq = w.queuedSeq;
        const int fd = w.fd;
        const bool toSyslog = w.syslogAvailable;
        lock.unlock();

        if (dropped > 0) {
            // Said after the records that did get through, so the gap shows where it happened.
            batch += HelperLog::formatRecord(HelperLog::Level::Warn, "Log",
                                             "Dropped " + std::to_string(dropped) +
                                                 " log record(s) while standard error was not being read");
        }
        writeAll(fd, batch);
        batch.clear();
        if (toSyslog) {
            for (const SyslogEntry& e : entries)
                ::syslog(e.priority, "%s", e.text.c_str());
        }
        entries.clear();

        lock.lock();
        w.writtenSeq = seq;
        w.drained.notify_all();
    }
}

void defaultSink(HelperLog::Level level, std::string_view category, std::string_view message,
                 std::string_view record)
{
    LogState& s = state();
    Writer& w = s.writer;
    // The system log identifier is fixed when the first record is written.
    if (!s.syslogOpen.load(std::memory_order_acquire)) {
        std::unique_lock open(s.mutex);
        if (!s.syslogOpen) {
            static std::string ident; // openlog keeps the pointer
            ident = s.subsystem;
            // Without a system log socket glibc retries socket+connect on every call; skip the
            // mirror instead.
            const bool available = ::access("/dev/log", W_OK) == 0;
            if (available)
                ::openlog(ident.c_str(), LOG_PID | LOG_NDELAY, LOG_USER);
            std::lock_guard lock(w.mutex);
            w.syslogAvailable = available;
            s.syslogOpen = true;
        }
    }

    std::lock_guard lock(w.mutex);
    if (!w.started) {
        w.started = true;
        std::thread(writerLoop, std::ref(w)).detach();
        // Records still queued when the program returns from main are written before it ends.
        std::atexit([] { HelperLog::flush(std::chrono::milliseconds(500)); });
    }
    if (w.pending.size() + record.size() > kMaxPendingBytes) {
        ++w.dropped;
        return;
    }
    const bool wasEmpty = w.pending.empty();
    w.pending.append(record);
    if (w.syslogAvailable) {
        std::string text;
        text.reserve(category.size() + message.size() + 2);
        text.append(category).append(": ").append(message);
        w.pendingSyslog.push_back({level == HelperLog::Level::Info ? LOG_INFO : LOG_ERR, std::move(text)});
    }
    ++w.queuedSeq;
    if (wasEmpty)
        w.wake.notify_one();
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
    // A record is one line: a line break inside the message (CR LF or LF) becomes one space, and any
    // other control character is escaped, so no text can forge a record of its own.
    std::string flat;
    flat.reserve(message.size());
    while (!message.empty()) {
        const std::size_t brk = message.find('\n');
        if (brk == std::string_view::npos) {
            flat.append(message);
            break;
        }
        const std::size_t end = brk > 0 && message[brk - 1] == '\r' ? brk - 1 : brk;
        flat.append(message.substr(0, end)).push_back(' ');
        message.remove_prefix(brk + 1);
    }
    record += escapeControlCharacters(flat);
    record.push_back('\n');
    return record;
}

void HelperLog::log(Level level, std::string_view category, std::string_view message)
{
    // Messages quote what the main application and the bus sent (account ids among them): addresses
    // never reach a log, and the system log gets the same single escaped line as standard error.
    const std::string record = formatRecord(level, category, redactEmailAddresses(message));
    const std::string_view line = std::string_view(record).substr(category.size() + 3, record.size() - category.size() - 4);
    std::shared_ptr<const Sink> sink;
    if (state().hasSink.load(std::memory_order_acquire)) {
        std::shared_lock lock(state().mutex);
        sink = state().sink;
    }
    if (sink)
        (*sink)(level, category, line, record);
    else
        defaultSink(level, category, line, record);
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

bool HelperLog::flush(std::chrono::milliseconds timeout)
{
    Writer& w = state().writer;
    std::unique_lock lock(w.mutex);
    if (!w.started)
        return true;
    const std::uint64_t target = w.queuedSeq;
    if (w.writtenSeq < target) {
        w.flushWanted = true;
        w.wake.notify_one();
    }
    return w.drained.wait_for(lock, timeout, [&] { return w.writtenSeq >= target; });
}

void HelperLog::setOutputFd(int fd)
{
    Writer& w = state().writer;
    std::lock_guard lock(w.mutex);
    w.fd = fd;
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
    state().hasSink.store(state().sink != nullptr, std::memory_order_release);
}

} // namespace tarnwick
