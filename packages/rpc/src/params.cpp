#include "tarnwick/rpc/params.h"

namespace tarnwick::params {

const Value* member(const Object& params, std::string_view key)
{
    auto it = params.find(key);
    return it == params.end() ? nullptr : &it->second;
}

const std::string* string(const Object& params, std::string_view key)
{
    const Value* v = member(params, key);
    return v ? v->string() : nullptr;
}

std::optional<bool> boolean(const Object& params, std::string_view key)
{
    const Value* v = member(params, key);
    return v ? v->boolean() : std::nullopt;
}

std::optional<std::int64_t> integer(const Object& params, std::string_view key)
{
    const Value* v = member(params, key);
    return v ? v->integer() : std::nullopt;
}

const Object* object(const Object& params, std::string_view key)
{
    const Value* v = member(params, key);
    return v ? v->object() : nullptr;
}

std::optional<std::vector<std::string>> stringList(const Value& value)
{
    const Array* a = value.array();
    if (!a)
        return std::nullopt;
    std::vector<std::string> out;
    out.reserve(a->size());
    for (const Value& e : *a) {
        if (!e.string())
            return std::nullopt;
        out.push_back(*e.string());
    }
    return out;
}

std::optional<std::vector<Object>> objectList(const Value& value)
{
    const Array* a = value.array();
    if (!a)
        return std::nullopt;
    std::vector<Object> out;
    out.reserve(a->size());
    for (const Value& e : *a) {
        if (!e.object())
            return std::nullopt;
        out.push_back(*e.object());
    }
    return out;
}

std::optional<std::vector<std::string>> stringList(const Object& params, std::string_view key)
{
    const Value* v = member(params, key);
    return v ? stringList(*v) : std::nullopt;
}

std::optional<std::vector<Object>> objectList(const Object& params, std::string_view key)
{
    const Value* v = member(params, key);
    return v ? objectList(*v) : std::nullopt;
}

std::optional<std::map<std::string, std::string>> stringDictionary(const Value& value)
{
    const Object* o = value.object();
    if (!o)
        return std::nullopt;
    std::map<std::string, std::string> out;
    for (const auto& [key, v] : *o) {
        if (!v.string())
            return std::nullopt;
        out.emplace(key, *v.string());
    }
    return out;
}

std::optional<ProfileMap> profileMap(const Object& params, std::string_view key)
{
    const Object* o = object(params, key);
    if (!o)
        return std::nullopt;
    ProfileMap out;
    for (const auto& [browser, list] : *o) {
        const Array* profiles = list.array();
        if (!profiles)
            return std::nullopt;
        auto& target = out[browser];
        for (const Value& profile : *profiles) {
            auto strings = stringDictionary(profile);
            if (!strings)
                return std::nullopt;
            target.push_back(std::move(*strings));
        }
    }
    return out;
}

} // namespace tarnwick::params
