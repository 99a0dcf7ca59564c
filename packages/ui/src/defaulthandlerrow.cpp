#include "tarnwick/ui/defaulthandlerrow.h"

namespace tarnwick::DefaultHandlerRow {

std::string subtitle(const Item& item, std::string_view appName, bool canClaim)
{
    if (!canClaim)
        return item.claimProblem.empty() ? "Only the installed app can be the default reader" : item.claimProblem;
    if (item.isClaimed)
        return std::string(appName) + " is the default reader";
    if (!item.handler.empty())
        return item.handler + " is the default reader";
    return "No default reader";
}

std::optional<std::string> claimButtonTitle(const Item& item, std::string_view appName, bool canClaim)
{
    if (!canClaim || item.isClaimed)
        return std::nullopt;
    return "Use " + std::string(appName);
}

} // namespace tarnwick::DefaultHandlerRow
