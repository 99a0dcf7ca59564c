#pragma once

// The "Focus filter changed" announcement: a session-bus signal with no arguments, member
// focusFilterChanged of interface com.fenmoorlab.tarnwick on path /com/fenmoorlab/tarnwick.

#include <optional>
#include <string>

namespace tarnwick {

namespace focusfiltersignal {
inline constexpr const char* kPath = "/com/fenmoorlab/tarnwick";
inline constexpr const char* kInterface = "com.fenmoorlab.tarnwick";
inline constexpr const char* kMember = "focusFilterChanged";
/// The name the rest of the system knows the announcement by (log lines use it).
inline constexpr const char* kName = "com.fenmoorlab.tarnwick.focusFilterChanged";
} // namespace focusfiltersignal

/// Port: posts the announcement.
class FocusFilterNotifier {
public:
    virtual ~FocusFilterNotifier() = default;
    /// Posts the signal; nothing on success, otherwise why it could not be posted.
    virtual std::optional<std::string> post() = 0;
};

} // namespace tarnwick
