#pragma once

// The plain JSON value every request parameter, response result and event parameter travels as.

#include <any>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tarnwick {

/// The JSON null marker. An object member holding it is present, not absent.
struct Null {
    friend bool operator==(Null, Null) { return true; }
};

/// A value of a kind the wire format has no form for (an unsigned or narrower integer, a float, a
/// record). It is carried unchanged and written as `null`, so encoding never fails on a kind.
struct Foreign {
    std::any held;
    friend bool operator==(const Foreign&, const Foreign&) { return false; }
};

/// A tagged JSON value: null, boolean, signed 64-bit integer, double, string, array, or object with
/// keys kept sorted. Accessors never convert between kinds: the integer 1 is not a boolean, the
/// double 2.0 is not an integer and the string "5" is not a number.
class Value {
public:
    using Array = std::vector<Value>;
    using Object = std::map<std::string, Value, std::less<>>;
    enum class Kind { Null, Bool, Integer, Double, String, Array, Object, Foreign };

    Value() = default;
    Value(Null) {}
    Value(bool b) : m_data(b) {}
    Value(std::int64_t i) : m_data(i) {}
    Value(int i) : m_data(std::int64_t{i}) {}
    Value(long long i) : m_data(static_cast<std::int64_t>(i)) {}
    Value(double d) : m_data(d) {}
    Value(std::string s) : m_data(std::move(s)) {}
    Value(std::string_view s) : m_data(std::string(s)) {}
    Value(const char* s) : m_data(std::string(s)) {}
    Value(Array a) : m_data(std::move(a)) {}
    Value(Object o) : m_data(std::move(o)) {}
    Value(Foreign f) : m_data(std::move(f)) {}
    // Kinds without a wire form must be wrapped deliberately (see Foreign).
    Value(unsigned) = delete;
    Value(unsigned long) = delete;
    Value(float) = delete;

    Kind kind() const { return static_cast<Kind>(m_data.index()); }
    bool isNull() const { return kind() == Kind::Null; }

    std::optional<bool> boolean() const;
    std::optional<std::int64_t> integer() const;
    std::optional<double> floating() const;
    const std::string* string() const { return std::get_if<std::string>(&m_data); }
    std::string* string() { return std::get_if<std::string>(&m_data); }
    const Array* array() const { return std::get_if<Array>(&m_data); }
    const Object* object() const { return std::get_if<Object>(&m_data); }
    Array* array() { return std::get_if<Array>(&m_data); }
    Object* object() { return std::get_if<Object>(&m_data); }

    friend bool operator==(const Value& a, const Value& b) { return a.m_data == b.m_data; }

private:
    std::variant<Null, bool, std::int64_t, double, std::string, Array, Object, Foreign> m_data;
};

using Object = Value::Object;
using Array = Value::Array;

} // namespace tarnwick
