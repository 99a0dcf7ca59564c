#include "tarnwick/ui/hexcolor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tarnwick/ui/accountdot.h"

namespace tarnwick::HexColor {

QColor color(const QString& hex)
{
    return AccountDot::hexColor(hex);
}

QColor color(const std::string& hex)
{
    return AccountDot::hexColor(QString::fromStdString(hex));
}

std::string hexString(const QColor& color)
{
    if (!color.isValid())
        return "#808080";
    const QColor rgb = color.toRgb();
    // Extended-range colours may lie outside 0...1; a byte cannot.
    auto byte = [](float component) { return std::clamp(static_cast<int>(std::lround(component * 255.0f)), 0, 255); };
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", byte(rgb.redF()), byte(rgb.greenF()), byte(rgb.blueF()));
    return text;
}

} // namespace tarnwick::HexColor
