#pragma once

// The helper's one transport: requests in on standard input, one JSON object per line; responses
// and events out on standard output, one compact sorted-key line each.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tarnwick/rpc/mainqueue.h"
#include "tarnwick/rpc/protocol.h"

namespace tarnwick {

class StdioTransport : public std::enable_shared_from_this<StdioTransport> {
public:
    /// Receives each finished line, line feed included, in one call.
    using OutputWriter = std::function<void(std::string_view line)>;
    using RequestHandler = std::function<void(const RPCRequest&)>;

    struct Options {
        int inputFd;                 ///< where requests are read from
        OutputWriter outputWriter;   ///< empty: fdWriter(1)
        /// Run as a main-queue task once input has ended; empty: std::exit(0).
        std::function<void()> terminate;
    };

    /// The transport must be owned by a shared_ptr: the reader thread holds it weakly.
    static std::shared_ptr<StdioTransport> create(MainQueue& mainQueue, Options options);
    /// Standard input and output, exiting with status 0 at end of input.
    static std::shared_ptr<StdioTransport> create(MainQueue& mainQueue) { return create(mainQueue, Options{0, {}, {}}); }

    /// A writer that hands each line to `fd` in one write request (retrying short writes, and
    /// waiting in poll(2) when a non-blocking descriptor is full), so every line arrives whole.
    static OutputWriter fdWriter(int fd);

    /// Stores the request handler, replacing any earlier one.
    void onMessage(RequestHandler handler);

    /// Logs "Started reading from stdin" and starts the detached reader thread. Call once.
    /// Only a read of zero bytes ends the input; a non-blocking descriptor is waited on with poll(2).
    void startReading();

    /// Decodes one line (without its line feed) and posts the request to the main queue.
    /// Returns true when a request was dispatched. A lone UTF-16 surrogate escape in a string reads
    /// as U+FFFD (logged once per process); anything else that is not valid JSON is rejected.
    bool processLine(std::string_view line);

    void sendResponse(std::int64_t id, std::optional<Value> result, std::optional<std::string> error);
    void sendEvent(std::string method, std::optional<Object> params = std::nullopt);

    /// Drops every later message, and requests not yet dispatched: used after the goodbye event so
    /// it stays the last line written.
    void closeOutput() { m_outputClosed = true; }

private:
    StdioTransport(MainQueue& mainQueue, Options options);
    /// Decodes one line and logs what became of it; nothing for a blank or undecodable line.
    std::optional<RPCRequest> decodeLine(std::string_view line);
    /// Hands requests to the main queue as one task that runs them in order.
    void post(std::vector<RPCRequest> requests);
    /// Waits while more than kMaxBacklog requests are handed over and not yet run: a main
    /// application writing faster than the helper works leaves the rest in the pipe, not in memory.
    void waitForRoom();
    std::shared_ptr<const RequestHandler> currentHandler();
    static void readLoop(std::weak_ptr<StdioTransport> weak, int fd, MainQueue* queue,
                         std::function<void()> terminate);

    MainQueue& m_mainQueue;
    Options m_options;
    std::mutex m_handlerMutex;
    std::shared_ptr<const RequestHandler> m_onRequest;
    std::string m_lineBuffer; // reused between writes
    std::atomic<bool> m_outputClosed{false};
    static constexpr std::size_t kMaxBacklog = 4096;
    std::mutex m_backlogMutex;
    std::condition_variable m_backlogShrank;
    std::size_t m_backlog = 0;
};

} // namespace tarnwick
