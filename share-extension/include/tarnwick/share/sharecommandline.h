#pragma once

// tarnwick-share [--text TEXT] [--url URL] [ITEM...]
// An ITEM is a file (a path or a file:// URL); a link with another scheme that names no existing file
// is taken as the shared link, as file managers and browsers pass both through the desktop entry.

#include <string>
#include <variant>
#include <vector>

#include "tarnwick/share/sharerequest.h"

namespace tarnwick::sharecommandline {

inline constexpr int kSuccess = 0;
inline constexpr int kOpenFailed = 1;
inline constexpr int kUsage = 2;

const char* usage();

struct Help {};
struct UsageError {
    std::string why;
};
/// The share items in argument order: files first as given, then the text, then the link.
std::variant<std::vector<ShareItem>, Help, UsageError> parse(const std::vector<std::string>& args);

} // namespace tarnwick::sharecommandline
