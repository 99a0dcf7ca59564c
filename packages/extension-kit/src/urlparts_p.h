#pragma once

// A strict RFC 3986 split of a URL reference into its parts, for log redaction: text with characters
// a URL cannot hold (spaces, non-ASCII, stray "%") is no URL.

#include <optional>
#include <string>
#include <string_view>

namespace tarnwick::urlparts {

struct Parts {
    std::optional<std::string> scheme;
    std::optional<std::string> host;  ///< present (maybe empty) when there is an authority
    std::string path;
    std::optional<std::string> query;
    std::optional<std::string> fragment;
};

std::optional<Parts> parse(std::string_view text);
std::string percentDecode(std::string_view text);
std::string lower(std::string_view text);

} // namespace tarnwick::urlparts
