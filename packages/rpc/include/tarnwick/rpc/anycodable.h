#pragma once

#include <any>

#include "tarnwick/rpc/value.h"

namespace tarnwick {

/// Carries one arbitrary JSON value between the wire and the plain values the helper works with.
/// Wrapping never copies or converts; the accessors answer only for exactly the asked kind.
struct AnyCodable {
    Value value;

    AnyCodable() = default;
    AnyCodable(Value v) : value(std::move(v)) {}

    /// Wraps a value of any C++ type: the listed kinds become that kind, anything else is carried
    /// as a Foreign value and written as null.
    static AnyCodable fromAny(std::any held);

    const Object* dict() const { return value.object(); }
    const std::string* string() const { return value.string(); }
    std::optional<std::int64_t> integer() const { return value.integer(); }
    std::optional<bool> boolean() const { return value.boolean(); }

    friend bool operator==(const AnyCodable&, const AnyCodable&) = default;
};

} // namespace tarnwick
