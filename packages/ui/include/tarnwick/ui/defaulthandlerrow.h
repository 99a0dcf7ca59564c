#pragma once

// The texts of one default-handler row on the General preferences tab ("Email links (mailto:)").

#include <optional>
#include <string>
#include <string_view>

namespace tarnwick {

namespace DefaultHandlerRow {

/// What one row shows.
struct Item {
    std::string id;        ///< the scheme, e.g. "mailto"
    std::string label;     ///< "Email links (mailto:)"
    std::string handler;   ///< display name of the current handler; empty when none
    bool isClaimed = false; ///< the current handler is this product
    std::string claimProblem; ///< why the installed product cannot be claimed; empty when it can
};

/// The line under the label: who reads these links now, or why this product cannot.
std::string subtitle(const Item& item, std::string_view appName, bool canClaim);
/// "Use <appName>" when the row offers to claim (claiming possible, not yet claimed); else nothing.
std::optional<std::string> claimButtonTitle(const Item& item, std::string_view appName, bool canClaim);

} // namespace DefaultHandlerRow

} // namespace tarnwick
