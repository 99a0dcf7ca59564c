#pragma once

// The helper's one transport: requests in on standard input, one JSON object per line; responses
// and events out on standard output, one compact sorted-key line each.

#include <atomic>
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

    /// How many requests may wait for the main queue before the reader pauses, by default.
    static constexpr std::size_t kMaxQueuedRequests = 4096;

    struct Options {
        int inputFd;                 ///< where requests are read from
        OutputWriter outputWriter;   ///< empty: fdWriter(1)
        /// Run as a main-queue task once input has ended; empty: std::exit(0).
        std::function<void()> terminate;
        /// Requests read but not yet handled, at most: past it the reader stops reading (the main
        /// application's writes then wait in the pipe) until the main queue has handled half of them.
        std::size_t maxQueuedRequests = kMaxQueuedRequests;
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
    /// The reader pauses while Options::maxQueuedRequests requests wait for the main queue (logged
    /// the first time), so a main application that writes faster than the helper works costs no
    /// unbounded memory.
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
    /// Requests handed to the main queue and not yet handled, shared with the reader thread.
    class Backlog;

    StdioTransport(MainQueue& mainQueue, Options options);
    /// Decodes one line and logs what became of it; nothing for a blank or undecodable line.
    std::optional<RPCRequest> decodeLine(std::string_view line);
    /// Hands requests to the main queue as one task that runs them in order.
    void post(std::vector<RPCRequest> requests);
    std::shared_ptr<const RequestHandler> currentHandler();
    static void readLoop(std::weak_ptr<StdioTransport> weak, std::shared_ptr<Backlog> backlog, int fd,
                         MainQueue* queue, std::function<void()> terminate);

    MainQueue& m_mainQueue;
    Options m_options;
    std::mutex m_handlerMutex;
    std::shared_ptr<const RequestHandler> m_onRequest;
    std::string m_lineBuffer; // reused between writes
    std::atomic<bool> m_outputClosed{false};
    std::shared_ptr<Backlog> m_backlog;
};

} // namespace tarnwick
