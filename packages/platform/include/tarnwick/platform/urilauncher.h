#pragma once

#include <optional>
#include <string>

namespace tarnwick {

/// Port: opens a URI in the application the desktop picks for its scheme.
class UriLauncher {
public:
    virtual ~UriLauncher() = default;
    /// Nothing once the handler was started, otherwise why it could not be.
    virtual std::optional<std::string> open(const std::string& uri) = 0;
};

/// GIO's default handler for the URI's scheme (x-scheme-handler/<scheme>), started with
/// g_app_info_launch_default_for_uri. Blocks until the handler is spawned.
class GioUriLauncher final : public UriLauncher {
public:
    std::optional<std::string> open(const std::string& uri) override;
};

} // namespace tarnwick
