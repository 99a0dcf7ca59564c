#pragma once

// The five Gmail inbox categories, shared by the tray, notifications and widgets.

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace tarnwick {

enum class MailCategory { primary, social, promotions, updates, forums };

namespace mailcategory {

/// Every category in display order: every list of categories is shown in this order.
inline constexpr std::array<MailCategory, 5> allCases = {MailCategory::primary, MailCategory::social,
                                                         MailCategory::promotions, MailCategory::updates,
                                                         MailCategory::forums};

/// The raw value carried in requests and snapshots ("primary", "social", ...).
std::string_view rawValue(MailCategory category);
/// The display title ("Primary", "Social", ...).
std::string_view title(MailCategory category);
/// The symbol name ("tray", "person.2", ...); SymbolImage maps it onto the icon theme.
std::string_view symbolName(MailCategory category);

/// Exact raw-value match, or nothing.
std::optional<MailCategory> fromRawValue(std::string_view raw);
/// Lenient: none, an empty string or a string naming no category give primary; case is ignored.
MailCategory from(const std::string* raw);
MailCategory from(std::optional<std::string_view> raw);

} // namespace mailcategory
} // namespace tarnwick
