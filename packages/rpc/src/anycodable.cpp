#include "tarnwick/rpc/anycodable.h"

namespace tarnwick {

AnyCodable AnyCodable::fromAny(std::any held)
{
    // The same order the encoder tests kinds in: null, boolean, integer, double, string, list, dictionary.
    if (!held.has_value() || std::any_cast<Null>(&held))
        return Value(Null{});
    if (auto* b = std::any_cast<bool>(&held))
        return Value(*b);
    if (auto* i = std::any_cast<std::int64_t>(&held))
        return Value(*i);
    if (auto* d = std::any_cast<double>(&held))
        return Value(*d);
    if (auto* s = std::any_cast<std::string>(&held))
        return Value(*s);
    if (auto* a = std::any_cast<Array>(&held))
        return Value(*a);
    if (auto* o = std::any_cast<Object>(&held))
        return Value(*o);
    if (auto* v = std::any_cast<Value>(&held))
        return *v;
    return Value(Foreign{std::move(held)});
}

} // namespace tarnwick
