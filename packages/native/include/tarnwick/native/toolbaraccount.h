#pragma once

// One account as the account switcher shows it, and the model the main application fills through
// the accounts JSON.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tarnwick/rpc/value.h"

namespace tarnwick::native {

struct ToolbarAccount {
    inline static constexpr std::string_view kDefaultColor = "#a855f7";

    std::string id;
    std::string name;
    std::string color = std::string(kDefaultColor);
    std::int64_t unreadCount = 0;
    bool excludedByFocus = false;
    bool disabledByFocus = false;
    bool needsAuth = false;

    /// Reads each key on its own; a missing or wrongly typed member keeps its default. A number
    /// counts as an unread count only when it is integral (3 and 3.0, not 2.5; booleans never).
    static ToolbarAccount from(const Value::Object& object);

    friend bool operator==(const ToolbarAccount&, const ToolbarAccount&) = default;
};

} // namespace tarnwick::native
