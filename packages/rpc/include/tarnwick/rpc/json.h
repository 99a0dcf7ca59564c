#pragma once

// JSON text <-> Value. Parsing goes through nlohmann/json's SAX reader straight into Value, so an
// integer stays an integer and 3.0 stays a double; writing is compact with sorted keys.

#include <optional>
#include <string>
#include <string_view>

#include "tarnwick/rpc/value.h"

namespace tarnwick::json {

/// Nesting deeper than this is rejected rather than risking the stack on hostile input.
inline constexpr int kMaxDepth = 512;

/// Parses one complete JSON text. Returns nothing for anything that is not valid JSON (including
/// invalid UTF-8 and nesting beyond kMaxDepth).
std::optional<Value> parse(std::string_view text);

/// The text with every unpaired UTF-16 surrogate escape (`\ud83d` without its low half, or a low
/// half on its own) replaced by `\ufffd`, or nothing when it holds none. JavaScript strings may hold
/// such halves (a string sliced in the middle of an emoji) and JSON.stringify writes them out; a
/// strict reader rejects the whole text for them. Nothing else is repaired.
std::optional<std::string> withLoneSurrogatesReplaced(std::string_view text);

/// Appends the compact encoding of `value` to `out`: no whitespace, object keys in ascending byte
/// order at every level, doubles in shortest round-trip form (always with a fraction or exponent),
/// Foreign values as null. Returns false, leaving `out` unspecified, when the value has no JSON form
/// (a non-finite double or a string that is not UTF-8).
bool write(const Value& value, std::string& out);

/// Convenience: the compact encoding, or nothing when it has no JSON form.
std::optional<std::string> toString(const Value& value);

/// Multi-line, two-space indented encoding with sorted keys, for files people read.
std::optional<std::string> toPrettyString(const Value& value);

} // namespace tarnwick::json
