#include "tarnwick/mail/mailcategory.h"

#include "tarnwick/rpc/asciicase.h"

namespace tarnwick::mailcategory {
namespace {

struct Entry {
    MailCategory category;
    std::string_view raw, title, symbol;
};

constexpr Entry kEntries[] = {
    {MailCategory::primary, "primary", "Primary", "tray"},
    {MailCategory::social, "social", "Social", "person.2"},
    {MailCategory::promotions, "promotions", "Promotions", "tag"},
    {MailCategory::updates, "updates", "Updates", "info.circle"},
    {MailCategory::forums, "forums", "Forums", "bubble.left.and.bubble.right"},
};

const Entry& entry(MailCategory category)
{
    return kEntries[static_cast<std::size_t>(category)];
}

} // namespace

std::string_view rawValue(MailCategory category)
{
    return entry(category).raw;
}

std::string_view title(MailCategory category)
{
    return entry(category).title;
}

std::string_view symbolName(MailCategory category)
{
    return entry(category).symbol;
}

std::optional<MailCategory> fromRawValue(std::string_view raw)
{
    for (const Entry& e : kEntries)
        if (e.raw == raw)
            return e.category;
    return std::nullopt;
}

MailCategory from(std::optional<std::string_view> raw)
{
    if (!raw)
        return MailCategory::primary;
    return fromRawValue(ascii::toLower(*raw)).value_or(MailCategory::primary);
}

MailCategory from(const std::string* raw)
{
    return raw ? from(std::optional<std::string_view>(*raw)) : MailCategory::primary;
}

} // namespace tarnwick::mailcategory
