#pragma once

// What a log line may carry of text that came from outside (the main application, the bus, mail).

#include <string>
#include <string_view>

namespace tarnwick {

/// `text` with every e-mail address replaced by "<email>": the pattern
/// [A-Za-z0-9._%+-]+@[A-Za-z0-9.-]+\.[A-Za-z]{2,}, where bytes of non-ASCII characters also count
/// as letters (internationalized addresses are no less personal).
std::string redactEmailAddresses(std::string_view text);

/// `text` cut to at most `maxBytes` bytes (at a UTF-8 character boundary) with "…" marking a cut:
/// a value quoted in a log line never makes the line as long as the value.
std::string boundForLog(std::string_view text, std::size_t maxBytes);

/// `text` with every control character (below 0x20, and DEL) written as "\xHH", so that no text
/// can break a record into lines or rewrite what a terminal shows.
std::string escapeControlCharacters(std::string_view text);

} // namespace tarnwick
