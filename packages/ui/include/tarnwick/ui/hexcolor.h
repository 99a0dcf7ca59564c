#pragma once

// "#rrggbb" colours of the preferences: account colours in the list and the colour well.

#include <QColor>
#include <QString>
#include <string>

namespace tarnwick::HexColor {

/// One leading "#" dropped, then exactly six hexadecimal digits as red, green and blue (sRGB, opaque);
/// anything else is middle grey (0.5, 0.5, 0.5).
QColor color(const QString& hex);
QColor color(const std::string& hex);
/// "#rrggbb" in lower case, each component × 255 rounded; "#808080" for a colour that has no RGB form.
std::string hexString(const QColor& color);

} // namespace tarnwick::HexColor
