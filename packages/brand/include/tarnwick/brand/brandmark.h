#pragma once

#include <optional>

#include <QImage>

#include "tarnwick/brand/brandmarkkind.h"
#include "tarnwick/brand/menubarglyph.h"

namespace tarnwick {

/// A brand mark in its own colours, decoded from the artwork's SVG text at the size asked for so it
/// stays sharp at any scale. A new image is made on every call.
class BrandMark {
public:
    explicit BrandMark(BrandMarkKind kind) : m_kind(kind) {}

    BrandMarkKind kind() const { return m_kind; }
    /// Width / height of the kind's artwork.
    double aspectRatio() const;
    /// The mark sized `width` x (`width` / aspectRatio()) points, drawn at `devicePixelRatio` pixels
    /// per point (the image carries that ratio); colours kept, transparent background. Nothing when
    /// the width is not positive or the SVG cannot be decoded.
    std::optional<QImage> image(double width, qreal devicePixelRatio = 1.0) const;
    /// The menu bar glyph of the same kind.
    MenuBarGlyph menuBarGlyph() const { return MenuBarGlyph(m_kind); }

private:
    BrandMarkKind m_kind;
};

namespace brand {
/// Renders `svg` into a transparent image of `points` x `devicePixelRatio` pixels (rounded to the
/// nearest pixel, at least one), stretching the artwork to fill it. Nothing when the SVG is invalid.
std::optional<QImage> renderSvg(const std::string& svg, QSizeF points, qreal devicePixelRatio);
} // namespace brand

} // namespace tarnwick
