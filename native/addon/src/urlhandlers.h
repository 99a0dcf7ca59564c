#pragma once

// Which application opens a URL, and opening it there: GIO's default handlers (desktop entries with
// x-scheme-handler/<scheme> or the file's content type). Safe on any thread.

#include <optional>
#include <string>

namespace tarnwick::addon {

/// True when an installed application would open `url`; false for text that does not parse as a
/// URL or has no scheme.
bool hasApplicationForUrl(const std::string& url);

/// The display name of the default application for `scheme`, or nothing when there is none.
std::optional<std::string> defaultApplicationForScheme(const std::string& scheme);

/// Starts the default application for `uri`. Nothing when it was started, otherwise why not.
/// Blocks until the application is spawned.
std::optional<std::string> openUri(const std::string& uri);

} // namespace tarnwick::addon
