#pragma once

// What one notification shows and carries, independent of the notification service.

#include <filesystem>
#include <string>
#include <vector>

#include "tarnwick/rpc/value.h"

namespace tarnwick {

/// A file shown with the notification. Once handed to NotificationCenter::add() the file belongs to
/// the notification center, which removes it when it is no longer needed, unless it is shared: a
/// shared file (one picture for many notifications) stays its maker's to remove.
struct NotificationAttachment {
    std::string identifier;
    std::filesystem::path file;
    std::string mimeType;
    bool shared = false;

    bool operator==(const NotificationAttachment&) const = default;
};

struct NotificationContent {
    std::string title;
    std::string subtitle;             ///< empty: none
    std::string body;
    std::string categoryIdentifier;   ///< picks the action buttons; empty: none
    std::string threadIdentifier;     ///< notifications sharing it belong together
    std::vector<NotificationAttachment> attachments;
    Object userInfo;                  ///< handed back with the user's response
    bool sound = false;               ///< the default notification sound
    /// Shown even while the desktop's Do Not Disturb is on, where the server lets anything through
    /// (the freedesktop "critical" urgency, which GNOME and KDE show during Do Not Disturb).
    bool breaksThroughDoNotDisturb = false;

    bool operator==(const NotificationContent&) const = default;
};

/// A notification to deliver now. A request with the identifier of one still shown replaces it.
struct NotificationRequest {
    std::string identifier;
    NotificationContent content;

    bool operator==(const NotificationRequest&) const = default;
};

} // namespace tarnwick
