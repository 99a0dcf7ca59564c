#pragma once

// The three messages of the helper protocol. A message is told apart by its keys: a request has
// "method" and maybe "id"; a response has "id" and no "method"; an event has "method" and never "id".

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tarnwick/rpc/anycodable.h"

namespace tarnwick {

struct RPCRequest {
    std::optional<std::int64_t> id;    ///< absent or JSON null: no response is wanted
    std::string method;
    std::optional<AnyCodable> params;  ///< absent or JSON null: no params

    /// Decodes a request from a parsed JSON value. Fails when the value is not an object, "method" is
    /// missing or not a string, or "id" is present, not null and not an integer. Other keys are ignored.
    static std::optional<RPCRequest> decode(const Value& json);
    static std::optional<RPCRequest> decode(Value&& json);
    /// Parses and decodes one line.
    static std::optional<RPCRequest> decode(std::string_view line);
    Value encode() const;

    friend bool operator==(const RPCRequest&, const RPCRequest&) = default;
};

struct RPCResponse {
    std::int64_t id = 0;
    std::optional<AnyCodable> result;
    std::optional<std::string> error;

    static std::optional<RPCResponse> decode(const Value& json);
    /// Absent optional fields are left out, never written as null.
    Value encode() const;

    friend bool operator==(const RPCResponse&, const RPCResponse&) = default;
};

struct RPCEvent {
    std::string method;
    std::optional<AnyCodable> params;

    static std::optional<RPCEvent> decode(const Value& json);
    Value encode() const;

    friend bool operator==(const RPCEvent&, const RPCEvent&) = default;
};

} // namespace tarnwick
