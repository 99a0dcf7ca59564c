#include "tarnwick/rpc/stdiotransport.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <unistd.h>

#include "tarnwick/rpc/helperlog.h"
#include "tarnwick/rpc/json.h"

namespace tarnwick {

namespace {
constexpr std::size_t kReadChunk = 1 << 16;
}

std::shared_ptr<StdioTransport> StdioTransport::create(MainQueue& mainQueue, Options options)
{
    return std::shared_ptr<StdioTransport>(new StdioTransport(mainQueue, std::move(options)));
}

StdioTransport::StdioTransport(MainQueue& mainQueue, Options options)
    : m_mainQueue(mainQueue)
    , m_options(std::move(options))
{
    if (!m_options.outputWriter)
        m_options.outputWriter = fdWriter(STDOUT_FILENO);
    if (!m_options.terminate)
        m_options.terminate = [] { std::exit(0); };
}

StdioTransport::OutputWriter StdioTransport::fdWriter(int fd)
{
    return [fd](std::string_view line) {
        while (!line.empty()) {
            const ssize_t n = ::write(fd, line.data(), line.size());
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return; // the reader went away; nothing to report to
            line.remove_prefix(static_cast<std::size_t>(n));
        }
    };
}

void StdioTransport::onMessage(RequestHandler handler)
{
    auto shared = std::make_shared<const RequestHandler>(std::move(handler));
    std::lock_guard lock(m_handlerMutex);
    m_onRequest = std::move(shared);
}

void StdioTransport::startReading()
{
    HelperLog::info("RPC", "Started reading from stdin");
    std::thread(readLoop, weak_from_this(), m_options.inputFd, &m_mainQueue, m_options.terminate).detach();
}

void StdioTransport::readLoop(std::weak_ptr<StdioTransport> weak, int fd, MainQueue* queue,
                              std::function<void()> terminate)
{
    std::string buffer;
    std::size_t lineStart = 0; // start of the first unprocessed line in buffer
    std::size_t scanFrom = 0;  // bytes before this hold no line feed of the current line
    for (;;) {
        const std::size_t oldSize = buffer.size();
        buffer.resize(oldSize + kReadChunk);
        const ssize_t n = ::read(fd, buffer.data() + oldSize, kReadChunk);
        if (n < 0 && errno == EINTR) {
            buffer.resize(oldSize);
            continue;
        }
        buffer.resize(oldSize + static_cast<std::size_t>(n > 0 ? n : 0));
        if (n <= 0)
            break;

        while (scanFrom < buffer.size()) {
            const void* found = std::memchr(buffer.data() + scanFrom, '\n', buffer.size() - scanFrom);
            if (!found) {
                scanFrom = buffer.size();
                break;
            }
            const std::size_t lineEnd = static_cast<std::size_t>(static_cast<const char*>(found) - buffer.data());
            if (auto transport = weak.lock())
                transport->processLine(std::string_view(buffer).substr(lineStart, lineEnd - lineStart));
            lineStart = scanFrom = lineEnd + 1;
        }
        // Drop the processed lines once per read, not once per line.
        if (lineStart > 0) {
            buffer.erase(0, lineStart);
            scanFrom -= lineStart;
            lineStart = 0;
        }
    }
    // A half line left without its line feed is discarded unprocessed.
    HelperLog::info("RPC", "stdin closed \xE2\x80\x94 exiting helper process");
    queue->post(std::move(terminate));
}

bool StdioTransport::processLine(std::string_view line)
{
    if (line.empty())
        return false;
    std::optional<RPCRequest> request = RPCRequest::decode(line);
    if (!request) {
        HelperLog::warn("RPC", "Failed to decode RPC request from stdin");
        return false;
    }
    HelperLog::info("RPC", "Dispatching request: " + request->method);
    std::shared_ptr<const RequestHandler> handler;
    {
        std::lock_guard lock(m_handlerMutex);
        handler = m_onRequest;
    }
    m_mainQueue.post([handler = std::move(handler), request = std::move(*request)] {
        if (handler && *handler)
            (*handler)(request);
    });
    return true;
}

void StdioTransport::sendResponse(std::int64_t id, std::optional<Value> result, std::optional<std::string> error)
{
    RPCResponse response{id, std::nullopt, std::move(error)};
    if (result)
        response.result = AnyCodable(std::move(*result));
    writeJSON(response.encode());
}

void StdioTransport::sendEvent(std::string method, std::optional<Object> params)
{
    RPCEvent event{std::move(method), std::nullopt};
    if (params)
        event.params = AnyCodable(Value(std::move(*params)));
    writeJSON(event.encode());
}

void StdioTransport::writeJSON(const Value& message)
{
    if (m_outputClosed)
        return;
    m_lineBuffer.clear();
    if (!json::write(message, m_lineBuffer))
        return; // no JSON form (say a non-finite number): dropped without a trace
    m_lineBuffer.push_back('\n');
    m_options.outputWriter(m_lineBuffer);
}

} // namespace tarnwick
