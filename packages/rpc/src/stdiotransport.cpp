#include "tarnwick/rpc/stdiotransport.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <thread>
#include <utility>
#include <unistd.h>
#include <vector>

#include "tarnwick/rpc/helperlog.h"
#include "tarnwick/rpc/logredaction.h"
#include "tarnwick/rpc/json.h"

namespace tarnwick {

namespace {
constexpr std::size_t kReadChunk = 1 << 18;
// Pipes to and from the main application grow to this (the most an unprivileged process may ask):
// a burst then crosses in a few large reads instead of waking the reader every 64 KiB.
constexpr int kPipeSize = 1 << 20;

void enlargePipe(int fd)
{
    // Not a pipe, or the system allows less: the default size still works.
    (void)::fcntl(fd, F_SETPIPE_SZ, kPipeSize);
}

// A descriptor the parent left non-blocking answers EAGAIN instead of waiting; wait here instead.
void waitFor(int fd, short events)
{
    pollfd p{fd, events, 0};
    while (::poll(&p, 1, -1) < 0 && errno == EINTR) {
    }
}

void appendInteger(std::string& out, std::int64_t value)
{
    char buf[24];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, end);
}

std::atomic<bool> g_surrogateLogged{false};
} // namespace

class StdioTransport::Backlog {
public:
    explicit Backlog(std::size_t limit)
        : m_limit(std::max<std::size_t>(limit, 1))
    {
    }

    // `count` more requests are on their way to the main queue.
    void add(std::size_t count)
    {
        std::lock_guard lock(m_mutex);
        m_queued += count;
    }

    // The reader, before its next read: waits while too many are.
    void waitWhileFull()
    {
        std::unique_lock lock(m_mutex);
        if (m_queued < m_limit)
            return;
        if (!std::exchange(m_pauseLogged, true))
            HelperLog::warn("RPC", "Requests arrive faster than they are handled: reading stdin paused at " +
                                       std::to_string(m_queued) + " waiting (logged once)");
        m_drained.wait(lock, [this] { return m_queued <= m_limit / 2; });
    }

    // The main queue handled `count` of them.
    void handled(std::size_t count)
    {
        std::lock_guard lock(m_mutex);
        m_queued -= std::min(count, m_queued);
        if (m_queued <= m_limit / 2)
            m_drained.notify_all();
    }

private:
    const std::size_t m_limit;
    std::mutex m_mutex;
    std::condition_variable m_drained;
    std::size_t m_queued = 0;
    bool m_pauseLogged = false;
};

std::shared_ptr<StdioTransport> StdioTransport::create(MainQueue& mainQueue, Options options)
{
    return std::shared_ptr<StdioTransport>(new StdioTransport(mainQueue, std::move(options)));
}

StdioTransport::StdioTransport(MainQueue& mainQueue, Options options)
    : m_mainQueue(mainQueue)
    , m_options(std::move(options))
    , m_backlog(std::make_shared<Backlog>(m_options.maxQueuedRequests))
{
    if (!m_options.outputWriter)
        m_options.outputWriter = fdWriter(STDOUT_FILENO);
    if (!m_options.terminate)
        m_options.terminate = [] { std::exit(0); };
}

StdioTransport::OutputWriter StdioTransport::fdWriter(int fd)
{
    enlargePipe(fd);
    return [fd](std::string_view line) {
        // The whole line goes out, however many calls it takes: a reader never sees half of one
        // followed by another.
        while (!line.empty()) {
            const ssize_t n = ::write(fd, line.data(), line.size());
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                waitFor(fd, POLLOUT);
                continue;
            }
            if (n <= 0)
                return; // the reader went away; nothing to report to
            line.remove_prefix(static_cast<std::size_t>(n));
        }
    };
}

void StdioTransport::onMessage(RequestHandler handler)
{
    auto shared = handler ? std::make_shared<const RequestHandler>(std::move(handler)) : nullptr;
    std::lock_guard lock(m_handlerMutex);
    m_onRequest = std::move(shared);
}

std::shared_ptr<const StdioTransport::RequestHandler> StdioTransport::currentHandler()
{
    std::lock_guard lock(m_handlerMutex);
    return m_onRequest;
}

void StdioTransport::startReading()
{
    HelperLog::info("RPC", "Started reading from stdin");
    enlargePipe(m_options.inputFd);
    std::thread(readLoop, weak_from_this(), m_backlog, m_options.inputFd, &m_mainQueue, m_options.terminate).detach();
}

void StdioTransport::readLoop(std::weak_ptr<StdioTransport> weak, std::shared_ptr<Backlog> backlog, int fd,
                              MainQueue* queue, std::function<void()> terminate)
{
    // A plain byte array rather than a string: growing a string for each read would first fill
    // the new room with zeros.
    std::unique_ptr<char[]> buffer(new char[kReadChunk]);
    std::size_t capacity = kReadChunk;
    std::size_t size = 0;
    std::size_t scanFrom = 0; // bytes before this hold no line feed of the current line
    std::vector<RPCRequest> batch;
    for (;;) {
        if (capacity - size < kReadChunk / 2) {
            // Only a line longer than the chunk gets here: grow, keeping the bytes held.
            capacity *= 2;
            std::unique_ptr<char[]> grown(new char[capacity]);
            std::memcpy(grown.get(), buffer.get(), size);
            buffer = std::move(grown);
        }
        const ssize_t n = ::read(fd, buffer.get() + size, capacity - size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            waitFor(fd, POLLIN); // only a read of zero bytes is the end of input
            continue;
        }
        if (n <= 0)
            break;
        size += static_cast<std::size_t>(n);

        auto transport = weak.lock(); // once per read, not once per line
        std::size_t lineStart = 0;
        while (scanFrom < size) {
            const void* found = std::memchr(buffer.get() + scanFrom, '\n', size - scanFrom);
            if (!found) {
                scanFrom = size;
                break;
            }
            const std::size_t lineEnd = static_cast<std::size_t>(static_cast<const char*>(found) - buffer.get());
            if (transport) {
                if (auto request = transport->decodeLine(std::string_view(buffer.get() + lineStart, lineEnd - lineStart)))
                    batch.push_back(std::move(*request));
            }
            lineStart = scanFrom = lineEnd + 1;
        }
        // The requests of one read reach the main queue as one task, in order: one hand-off per
        // read instead of one per line.
        std::size_t handed = 0;
        if (transport && !batch.empty()) {
            handed = batch.size();
            backlog->add(handed);
            transport->post(std::move(batch));
            batch = {};
            batch.reserve(handed);
        }
        transport.reset(); // not held while waiting: the program may end meanwhile
        // Move the unfinished line to the front once per read, not once per line.
        if (lineStart > 0) {
            std::memmove(buffer.get(), buffer.get() + lineStart, size - lineStart);
            size -= lineStart;
            scanFrom -= lineStart;
        }
        // Back-pressure: the next read waits until the main queue has caught up.
        if (handed > 0)
            backlog->waitWhileFull();
    }
    // A half line left without its line feed is discarded unprocessed.
    HelperLog::info("RPC", "stdin closed \xE2\x80\x94 exiting helper process");
    // Ends the process one turn after the last requests ran, so the answers they left for a later
    // task (the Focus filter methods) are still written: every request read is answered.
    queue->post([queue, terminate = std::move(terminate)] { queue->post(terminate); });
}

std::optional<RPCRequest> StdioTransport::decodeLine(std::string_view line)
{
    if (line.empty())
        return std::nullopt;
    std::optional<Value> json = json::parse(line);
    if (!json) {
        // Only a line that fails is searched for surrogate halves, so good lines pay nothing.
        if (auto repaired = json::withLoneSurrogatesReplaced(line)) {
            json = json::parse(*repaired);
            if (json && !g_surrogateLogged.exchange(true))
                HelperLog::warn("RPC", "A request held a lone UTF-16 surrogate; read as U+FFFD (logged once)");
        }
    }
    std::optional<RPCRequest> request;
    if (json)
        request = RPCRequest::decode(std::move(*json));
    if (!request) {
        HelperLog::warn("RPC", "Failed to decode RPC request from stdin");
        return std::nullopt;
    }
    // The method is the main application's text: bounded, so no line grows with it.
    HelperLog::info("RPC", "Dispatching request: " + boundForLog(request->method, 64));
    return request;
}

void StdioTransport::post(std::vector<RPCRequest> requests)
{
    m_mainQueue.post([self = shared_from_this(), handler = currentHandler(), requests = std::move(requests)] {
        // After the goodbye nothing more is answered, so nothing more is worth doing.
        if (handler && *handler && !self->m_outputClosed) {
            for (const RPCRequest& request : requests)
                (*handler)(request);
        }
        self->m_backlog->handled(requests.size());
    });
}

bool StdioTransport::processLine(std::string_view line)
{
    std::optional<RPCRequest> request = decodeLine(line);
    if (!request)
        return false;
    std::vector<RPCRequest> one;
    one.push_back(std::move(*request));
    m_backlog->add(1);
    post(std::move(one));
    return true;
}

// Both writers build the line straight from the fields; the keys come in sorted order, so the
// bytes are those of the encoded record, without building it as a Value first.
void StdioTransport::sendResponse(std::int64_t id, std::optional<Value> result, std::optional<std::string> error)
{
    if (m_outputClosed)
        return;
    std::string& out = m_lineBuffer;
    out.clear();
    out.push_back('{');
    if (error) {
        out += "\"error\":";
        if (!json::write(Value(std::move(*error)), out))
            return;
        out.push_back(',');
    }
    out += "\"id\":";
    appendInteger(out, id);
    if (result) {
        out += ",\"result\":";
        if (!json::write(*result, out))
            return; // no JSON form (say a non-finite number): dropped without a trace
    }
    out += "}\n";
    m_options.outputWriter(out);
}

void StdioTransport::sendEvent(std::string method, std::optional<Object> params)
{
    if (m_outputClosed)
        return;
    std::string& out = m_lineBuffer;
    out.clear();
    out += "{\"method\":";
    if (!json::write(Value(std::move(method)), out))
        return;
    if (params) {
        out += ",\"params\":";
        if (!json::write(Value(std::move(*params)), out))
            return;
    }
    out += "}\n";
    m_options.outputWriter(out);
}

} // namespace tarnwick
