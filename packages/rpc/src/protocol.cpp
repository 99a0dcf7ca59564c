#include "tarnwick/rpc/protocol.h"

#include "tarnwick/rpc/json.h"

namespace tarnwick {
namespace {

// A member that is absent or null counts as absent.
const Value* presentMember(const Object& o, std::string_view key)
{
    auto it = o.find(key);
    if (it == o.end() || it->second.isNull())
        return nullptr;
    return &it->second;
}

} // namespace

std::optional<RPCRequest> RPCRequest::decode(const Value& json)
{
    return decode(Value(json));
}

std::optional<RPCRequest> RPCRequest::decode(Value&& json)
{
    Object* o = json.object();
    if (!o)
        return std::nullopt;
    RPCRequest request;
    auto method = o->find("method");
    if (method == o->end() || !method->second.string())
        return std::nullopt;
    if (const Value* id = presentMember(*o, "id")) {
        if (!id->integer())
            return std::nullopt;
        request.id = id->integer();
    }
    // The parsed tree is ours: move its parts instead of copying them.
    request.method = std::move(*method->second.string());
    auto params = o->find("params");
    if (params != o->end() && !params->second.isNull())
        request.params = AnyCodable(std::move(params->second));
    return request;
}

std::optional<RPCRequest> RPCRequest::decode(std::string_view line)
{
    std::optional<Value> json = json::parse(line);
    if (!json)
        return std::nullopt;
    return decode(std::move(*json));
}

Value RPCRequest::encode() const
{
    Object o{{"method", method}};
    if (id)
        o.emplace("id", *id);
    if (params)
        o.emplace("params", params->value);
    return o;
}

std::optional<RPCResponse> RPCResponse::decode(const Value& json)
{
    const Object* o = json.object();
    if (!o)
        return std::nullopt;
    auto id = o->find("id");
    if (id == o->end() || !id->second.integer())
        return std::nullopt;
    RPCResponse response;
    response.id = *id->second.integer();
    if (const Value* result = presentMember(*o, "result"))
        response.result = AnyCodable(*result);
    if (const Value* error = presentMember(*o, "error")) {
        if (!error->string())
            return std::nullopt;
        response.error = *error->string();
    }
    return response;
}

Value RPCResponse::encode() const
{
    Object o{{"id", id}};
    if (result)
        o.emplace("result", result->value);
    if (error)
        o.emplace("error", *error);
    return o;
}

std::optional<RPCEvent> RPCEvent::decode(const Value& json)
{
    const Object* o = json.object();
    if (!o)
        return std::nullopt;
    auto method = o->find("method");
    if (method == o->end() || !method->second.string())
        return std::nullopt;
    RPCEvent event;
    event.method = *method->second.string();
    if (const Value* params = presentMember(*o, "params"))
        event.params = AnyCodable(*params);
    return event;
}

Value RPCEvent::encode() const
{
    Object o{{"method", method}};
    if (params)
        o.emplace("params", params->value);
    return o;
}

} // namespace tarnwick
