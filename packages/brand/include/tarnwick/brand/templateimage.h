#pragma once

// A template image: a monochrome mask whose alpha carries the picture, which its host tints (the
// tray draws it in the panel's text colour).

#include <QColor>
#include <QImage>
#include <QSizeF>

namespace tarnwick {

class TemplateImage {
public:
    /// Takes the alpha channel of `image` as the mask; colours are discarded. The device pixel ratio
    /// of `image` is kept.
    explicit TemplateImage(const QImage& image);

    /// The mask: every pixel black, alpha as drawn (ARGB32 premultiplied).
    const QImage& mask() const { return m_mask; }
    /// The mask filled with `color`, alpha kept.
    QImage tinted(const QColor& color) const;
    /// Size in points (pixels divided by the device pixel ratio).
    QSizeF size() const { return m_mask.deviceIndependentSize(); }

private:
    QImage m_mask;
};

} // namespace tarnwick
