#pragma once

// Port: the widget host's log. The host's adapter is the extension file logger ("Widgets" category,
// widgets-extension.log in the group container, mirrored to the system log); tests record lines.

#include <string>
#include <string_view>

namespace tarnwick {

class WidgetLog {
public:
    virtual ~WidgetLog() = default;
    virtual void info(std::string_view message) = 0;
    virtual void warn(std::string_view message) = 0;
    virtual void error(std::string_view message) = 0;
    /// The text with home directories shortened to "~", as the log file shows paths.
    virtual std::string redactText(std::string_view text) const = 0;
};

} // namespace tarnwick
