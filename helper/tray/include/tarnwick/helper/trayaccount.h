#pragma once

#include <cstdint>
#include <string>

#include "tarnwick/rpc/value.h"

namespace tarnwick {

/// One account as the tray shows it, read leniently from one "tray.update" account object.
struct TrayAccount {
    std::string id;
    std::string name = "Unknown";
    std::string color = "#3b82f6";
    std::int64_t unreadCount = 0;
    std::string email;
    bool needsAuth = false;

    /// Every key that is missing or of another kind keeps its default.
    static TrayAccount fromParams(const Object& object);

    friend bool operator==(const TrayAccount&, const TrayAccount&) = default;
};

} // namespace tarnwick
