#include "tarnwick/native/hexcolor.h"

#include <limits>

#include "tarnwick/rpc/asciihex.h"

namespace tarnwick::native {
namespace {

using ascii::hexDigit;

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

} // namespace

std::uint64_t HexColor::scan(std::string_view text)
{
    while (!text.empty() && text.front() == '#')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == '#')
        text.remove_suffix(1);
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') && hexDigit(text[2]) >= 0)
        text.remove_prefix(2);
    std::uint64_t value = 0;
    bool overflow = false;
    for (char c : text) {
        const int digit = hexDigit(c);
        if (digit < 0)
            break;
        if (value > (std::numeric_limits<std::uint64_t>::max() >> 4))
            overflow = true;
        value = (value << 4) | static_cast<std::uint64_t>(digit);
    }
    return overflow ? std::numeric_limits<std::uint64_t>::max() : value;
}

QColor HexColor::color(std::string_view text)
{
    const std::uint64_t rgb = scan(text) & 0xffffff;
    return QColor::fromRgbF(static_cast<float>((rgb >> 16) & 0xff) / 255.0f,
                            static_cast<float>((rgb >> 8) & 0xff) / 255.0f,
                            static_cast<float>(rgb & 0xff) / 255.0f, 1.0f);
}

} // namespace tarnwick::native
