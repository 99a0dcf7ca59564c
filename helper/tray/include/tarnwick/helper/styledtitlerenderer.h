#pragma once

// Draws the tray item's picture: the brand glyph with the styled unread title right after it (no gap),
// as one ARGB32 image. Text runs use the title font in their account colour; inline images sit on the
// baseline raised by their offset; spacers only take room. Lengths are in points; images are drawn at
// a device pixel ratio and carry it.

#include <QColor>
#include <QFont>
#include <QImage>

#include "tarnwick/helper/menubartitle.h"

namespace tarnwick {

class StyledTitleRenderer {
public:
    /// The picture's height in points: a usual panel icon size, tall enough for the glyph and the font.
    static constexpr double kItemHeight = 22.0;

    /// Renders with the title font: the desktop's sans-serif at MenuBarTitle::kFontPointSize points.
    StyledTitleRenderer();
    explicit StyledTitleRenderer(QFont font);

    /// The title font as this renderer draws it.
    static QFont titleFont();
    const QFont& font() const { return m_font; }
    /// Height of the capital letters of the font, in points.
    double capHeight() const;
    /// Width of the title in points (text advances plus image widths).
    double width(const StyledTitle& title) const;

    /// Draws the title into `painter` with its baseline at `baselineY`, starting at `x`; returns the
    /// x after the last segment.
    double paint(QPainter& painter, const StyledTitle& title, double x, double baselineY) const;

    /// The title alone, kItemHeight high, transparent background; null for an empty title.
    QImage renderTitle(const StyledTitle& title, qreal devicePixelRatio = 1.0) const;
    /// The glyph (already tinted, any device pixel ratio) centred vertically at the left, the title
    /// right after it, kItemHeight points high. Without a glyph the title starts at the left edge.
    QImage renderItem(const QImage& glyph, const StyledTitle& title, qreal devicePixelRatio = 1.0) const;

private:
    double baseline() const;

    QFont m_font;
};

} // namespace tarnwick
