#pragma once

#include <cstdint>
#include <string>

namespace tarnwick {

/// One account of the widget snapshot, in display order.
struct CachedAccount {
    std::string id;
    std::string name;
    std::string color; ///< "#RRGGBB" as written; read with colorFromHex
    std::string email;
    std::int64_t unreadCount = 0;

    friend bool operator==(const CachedAccount&, const CachedAccount&) = default;
};

} // namespace tarnwick
