#pragma once

// Account colours: "#RRGGBB" (the "#" optional, spaces and tabs around it ignored).

#include <optional>
#include <string_view>

#include <QColor>

namespace tarnwick {

/// The sRGB colour, opacity 1, or nothing when the text is not six hexadecimal digits after trimming
/// spaces and tabs and dropping one leading "#". Line breaks are not trimmed.
std::optional<QColor> parseHexColor(std::string_view text);

/// parseHexColor, or `accent` when the text does not parse.
QColor colorFromHex(std::string_view text, const QColor& accent);

} // namespace tarnwick
