#include "tarnwick/widgets/hexcolor.h"

#include "tarnwick/rpc/asciihex.h"

namespace tarnwick {

std::optional<QColor> parseHexColor(std::string_view text)
{
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '#')
        text.remove_prefix(1);
    const auto value = ascii::sixHexDigits(text);
    if (!value)
        return std::nullopt;
    return QColor::fromRgb((*value >> 16) & 0xff, (*value >> 8) & 0xff, *value & 0xff);
}

QColor colorFromHex(std::string_view text, const QColor& accent)
{
    return parseHexColor(text).value_or(accent);
}

} // namespace tarnwick
