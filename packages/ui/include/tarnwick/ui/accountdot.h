#pragma once

// Small coloured account dots: the tray title and popover dots, and the PNG that stands for an account
// in the Focus filter's account list.

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QRectF>
#include <QString>
#include <optional>
#include <string_view>

namespace tarnwick {

class AccountDot {
public:
    /// Width to height of the Focus filter's inline-row dot image.
    static constexpr double kInlineRowAspect = 1.5;
    static constexpr int kDefaultHeight = 48;

    /// A square image of side `diameter` (points; pixels times `devicePixelRatio`) holding one circle
    /// in the colour `hex`: a disc when `filled`, else a ring of width `ringStroke` on the square inset
    /// by ringStroke / 2. Keeps its colour (never a template). A null image for a side below one pixel.
    static QImage image(const QString& hex, bool filled, double diameter, double ringStroke,
                        double devicePixelRatio = 1.0);

    /// The account's PNG: width = round(height × aspect), transparent, with a disc of diameter
    /// height − 2 × (height × 0.1) centred horizontally, starting at y = height × 0.1. Nothing when the
    /// image cannot be made (no area, absurd size) or encoded.
    static std::optional<QByteArray> png(std::string_view colorHex, int height = kDefaultHeight,
                                         double aspect = kInlineRowAspect);
    /// The disc png() draws, in pixels; an empty rectangle when there is no image.
    static QRectF pngDiscRect(int height, double aspect = kInlineRowAspect);

    /// The Focus filter's colour reading: surrounding spaces, tabs and line breaks trimmed, one leading
    /// "#" dropped, then exactly six hexadecimal digits; anything else is #a855f7.
    static QColor entityColor(std::string_view colorHex);
    /// The preferences' colour reading (used by image()): one leading "#" dropped, then exactly six
    /// hexadecimal digits; anything else is middle grey (0.5, 0.5, 0.5).
    static QColor hexColor(const QString& hex);
};

} // namespace tarnwick
