#include "tarnwick/helper/menubartitle.h"

namespace tarnwick {

MenuBarAccount MenuBarAccount::from(const TrayAccount& account)
{
    return {account.name, account.color, account.unreadCount, account.needsAuth};
}

std::string StyledTitle::plainText() const
{
    std::string text;
    for (const Segment& segment : segments) {
        if (const auto* run = std::get_if<Text>(&segment))
            text += run->text;
    }
    return text;
}

namespace MenuBarTitle {

namespace {

StyledTitle::Image spacer(double width, double capHeight)
{
    return {width, kImageHeight, imageBaselineOffset(capHeight), std::nullopt};
}

} // namespace

double imageBaselineOffset(double capHeight)
{
    return (capHeight - kImageHeight) * 0.5;
}

StyledTitle dots(const std::vector<MenuBarAccount>& accounts, double capHeight)
{
    StyledTitle title;
    if (accounts.empty())
        return title;
    title.segments.emplace_back(spacer(3.0, capHeight));
    for (std::size_t i = 0; i < accounts.size(); ++i) {
        const MenuBarAccount& account = accounts[i];
        const bool filled = !account.needsAuth && account.unreadCount > 0;
        title.segments.emplace_back(StyledTitle::Image{
            kImageHeight, kImageHeight, imageBaselineOffset(capHeight),
            StyledTitle::Dot{account.color, filled, kImageHeight, 1.0}});
        if (i + 1 < accounts.size())
            title.segments.emplace_back(spacer(1.5, capHeight));
    }
    return title;
}

StyledTitle numbers(const std::vector<MenuBarAccount>& accounts, double capHeight)
{
    StyledTitle title;
    for (const MenuBarAccount& account : accounts) {
        const std::int64_t shown = account.needsAuth ? 0 : account.unreadCount;
        const std::string digits = std::to_string(shown);
        std::string text;
        for (std::size_t cells = digits.size(); cells < 2; ++cells)
            text += kFigureSpace;
        text += digits;
        title.segments.emplace_back(StyledTitle::Text{std::move(text), account.color, shown == 0 ? 0.35 : 1.0});
        title.segments.emplace_back(spacer(3.0, capHeight));
    }
    return title;
}

std::string accessibilityDescription(const std::vector<MenuBarAccount>& accounts)
{
    if (accounts.empty())
        return "Tarnwick, no accounts";
    std::vector<std::string> parts;
    for (const MenuBarAccount& account : accounts) {
        if (account.unreadCount >= 1 && !account.needsAuth)
            parts.push_back(account.name + " " + std::to_string(account.unreadCount) + " unread");
    }
    for (const MenuBarAccount& account : accounts) {
        if (account.needsAuth)
            parts.push_back(account.name + " needs sign-in");
    }
    if (parts.empty())
        return "Tarnwick, no unread mail";
    std::string description = "Tarnwick";
    for (const std::string& part : parts)
        description += ", " + part;
    return description;
}

} // namespace MenuBarTitle

} // namespace tarnwick
