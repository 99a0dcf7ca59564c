#pragma once

// Readers for request parameters. A parameter is used only when its value has exactly the expected
// shape: a list must hold only elements of the stated kind, a dictionary only values of it.
// Anything else reads as missing.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tarnwick/rpc/value.h"

namespace tarnwick::params {

const Value* member(const Object& params, std::string_view key);
const std::string* string(const Object& params, std::string_view key);
std::optional<bool> boolean(const Object& params, std::string_view key);
std::optional<std::int64_t> integer(const Object& params, std::string_view key);
const Object* object(const Object& params, std::string_view key);

std::optional<std::vector<std::string>> stringList(const Value& value);
std::optional<std::vector<Object>> objectList(const Value& value);
std::optional<std::vector<std::string>> stringList(const Object& params, std::string_view key);
std::optional<std::vector<Object>> objectList(const Object& params, std::string_view key);

/// A dictionary whose values are all strings.
std::optional<std::map<std::string, std::string>> stringDictionary(const Value& value);

/// A dictionary whose values are lists of dictionaries with string values (browser profiles).
using ProfileMap = std::map<std::string, std::vector<std::map<std::string, std::string>>>;
std::optional<ProfileMap> profileMap(const Object& params, std::string_view key);

} // namespace tarnwick::params
