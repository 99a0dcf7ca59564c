#pragma once

// The hand-off URL: tarnwick://share with one "files" item per staged file (in staging order), then
// "text" and "url" when present; tarnwick://share alone when there is nothing.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick::sharehandoff {

/// Percent-encodes everything but the unreserved characters and "/", so "&", "=", "#", "+", spaces
/// and every non-ASCII byte arrive as data.
std::string encodeQueryComponent(std::string_view text);

std::string buildUrl(const std::vector<std::string>& files, const std::optional<std::string>& text,
                     const std::optional<std::string>& url);

} // namespace tarnwick::sharehandoff
