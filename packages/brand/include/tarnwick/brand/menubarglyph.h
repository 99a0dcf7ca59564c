#pragma once

#include <optional>

#include <QSizeF>

#include "tarnwick/brand/brandmarkkind.h"
#include "tarnwick/brand/templateimage.h"

namespace tarnwick {

/// The tray's glyph of a brand mark: 18 points wide, as high as the artwork's aspect ratio makes it
/// (18 x 15 for the envelope), rendered as a template image.
class MenuBarGlyph {
public:
    explicit MenuBarGlyph(BrandMarkKind kind) : m_kind(kind) {}

    BrandMarkKind kind() const { return m_kind; }
    /// Width 18, height 18 / aspect ratio, in points.
    QSizeF size() const;
    /// The artwork rendered at `size()` points and `devicePixelRatio` pixels per point, as a template
    /// image; nothing when the SVG cannot be decoded.
    std::optional<TemplateImage> statusItemImage(qreal devicePixelRatio = 1.0) const;

private:
    BrandMarkKind m_kind;
};

} // namespace tarnwick
