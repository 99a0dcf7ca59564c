#pragma once

// What the main application shares with the widget host and the other extensions: this build's
// application group, that group's container directory, and the widget reload signal.

#include <optional>
#include <string>
#include <string_view>

namespace tarnwick::nativelib {

class WidgetBridge {
public:
    /// The application group compiled into this build; nothing for a build without one.
    static std::optional<std::string> appGroupIdentifier();
    /// The container directory of `groupId` (made when missing, like the system's lookup), or
    /// nothing for an unusable identifier or when it cannot be made. Entitlement is not checked.
    static std::optional<std::string> groupContainerPath(std::string_view groupId);
    /// Queues the reload signal to the UI thread.
    static void reloadAll();

    WidgetBridge() = delete;
};

} // namespace tarnwick::nativelib
