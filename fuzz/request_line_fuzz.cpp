// Request lines from standard input: decoding and dispatch hand-off through processLine.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "tarnwick/rpc/helperlog.h"
#include "tarnwick/rpc/json.h"
#include "tarnwick/rpc/stdiotransport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static tarnwick::ManualMainQueue queue;
    static auto transport = [] {
        tarnwick::HelperLog::setSink([](auto, auto, auto, auto) {});
        auto t = tarnwick::StdioTransport::create(queue, {-1, [](std::string_view) {}, [] {}});
        // Echo every request's params back, so the writer sees whatever the reader accepted.
        t->onMessage([weak = std::weak_ptr(t)](const tarnwick::RPCRequest& r) {
            if (auto t = weak.lock())
                t->sendEvent("echo", r.params && r.params->dict() ? *r.params->dict() : tarnwick::Object{});
        });
        return t;
    }();
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    transport->processLine(line);
    queue.runAll();
    return 0;
}
