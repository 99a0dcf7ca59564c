#include "tarnwick/widgets/hexcolor.h"

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
    if (text.size() != 6)
        return std::nullopt;
    unsigned value = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return QColor::fromRgb((value >> 16) & 0xff, (value >> 8) & 0xff, value & 0xff);
}

QColor colorFromHex(std::string_view text, const QColor& accent)
{
    return parseHexColor(text).value_or(accent);
}

} // namespace tarnwick
