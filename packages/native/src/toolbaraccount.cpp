#include "tarnwick/native/toolbaraccount.h"

#include <cmath>

namespace tarnwick::native {
namespace {

const Value* member(const Value::Object& object, std::string_view key)
{
    const auto it = object.find(key);
    return it == object.end() ? nullptr : &it->second;
}

void readString(const Value::Object& object, std::string_view key, std::string& out)
{
    if (const Value* v = member(object, key); v && v->string())
        out = *v->string();
}

void readBool(const Value::Object& object, std::string_view key, bool& out)
{
    if (const Value* v = member(object, key))
        if (const auto b = v->boolean())
            out = *b;
}

std::optional<std::int64_t> integral(const Value& v)
{
    if (const auto i = v.integer())
        return *i;
    if (const auto d = v.floating()) {
        // 2^63 is exactly representable; anything from there on does not fit.
        if (std::isfinite(*d) && std::trunc(*d) == *d && *d >= -9223372036854775808.0 && *d < 9223372036854775808.0)
            return static_cast<std::int64_t>(*d);
    }
    return std::nullopt;
}

} // namespace

ToolbarAccount ToolbarAccount::from(const Value::Object& object)
{
    ToolbarAccount account;
    readString(object, "id", account.id);
    readString(object, "name", account.name);
    readString(object, "color", account.color);
    if (const Value* v = member(object, "unreadCount"))
        if (const auto count = integral(*v))
            account.unreadCount = *count;
    readBool(object, "excludedByFocus", account.excludedByFocus);
    readBool(object, "disabledByFocus", account.disabledByFocus);
    readBool(object, "needsAuth", account.needsAuth);
    return account;
}

} // namespace tarnwick::native
