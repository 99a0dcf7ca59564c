#pragma once

#include <cstdint>
#include <string_view>

#include <QColor>

namespace tarnwick::native {

/// Account colours as the main application writes them ("#a855f7").
class HexColor {
public:
    /// The number the text holds: every "#" at either end removed, leading white space skipped, an
    /// optional "0x", then as many hexadecimal digits as follow (0 when none; all ones on overflow).
    static std::uint64_t scan(std::string_view text);
    /// sRGB colour from the lowest 24 bits of scan(): red bits 16–23, green 8–15, blue 0–7; opaque.
    /// Text without hexadecimal digits is black.
    static QColor color(std::string_view text);

    HexColor() = delete;
};

} // namespace tarnwick::native
