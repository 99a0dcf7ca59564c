#pragma once

// Hexadecimal digits in protocol text (colours, percent-escapes): ASCII only, whatever the locale.

#include <optional>
#include <string_view>

namespace tarnwick::ascii {

/// The digit's value, or -1 when `c` is not a hexadecimal digit.
constexpr int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

/// The byte two hexadecimal digits stand for (a percent-escape's "%41" without its '%'), or -1
/// when `two` is shorter or holds anything else.
constexpr int hexByte(std::string_view two)
{
    if (two.size() < 2)
        return -1;
    const int high = hexDigit(two[0]);
    const int low = hexDigit(two[1]);
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}

/// The value of exactly six hexadecimal digits ("RRGGBB"); nothing for any other text.
constexpr std::optional<unsigned> sixHexDigits(std::string_view text)
{
    if (text.size() != 6)
        return std::nullopt;
    unsigned value = 0;
    for (char c : text) {
        const int digit = hexDigit(c);
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return value;
}

} // namespace tarnwick::ascii
