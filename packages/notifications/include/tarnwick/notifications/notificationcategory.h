#pragma once

// A kind of notification and the action buttons every notification of that kind offers.

#include <compare>
#include <string>
#include <vector>

namespace tarnwick {

struct NotificationAction {
    std::string identifier;  ///< reported back as the response's action identifier
    std::string title;       ///< the button's text
    bool destructive = false;

    auto operator<=>(const NotificationAction&) const = default;
    bool operator==(const NotificationAction&) const = default;
};

struct NotificationCategory {
    std::string identifier;
    std::vector<NotificationAction> actions;  ///< in button order

    auto operator<=>(const NotificationCategory&) const = default;
    bool operator==(const NotificationCategory&) const = default;
};

} // namespace tarnwick
