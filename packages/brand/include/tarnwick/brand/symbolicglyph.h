#pragma once

// The tray glyph as a symbolic icon for the desktop's icon theme. Panels recolour a symbolic icon to
// their own text colour by setting the fill of every shape, so the icon is one colour and every shape
// is a fill: the artwork's strokes become the outlines they would draw.

#include <QPainterPath>
#include <string>

#include "tarnwick/brand/brandmarkkind.h"

namespace tarnwick::symbolicglyph {

/// The icon's name in the hicolor theme (the file is `<name>.svg`).
inline constexpr const char* kIconName = "com.fenmoorlab.tarnwick.tray-symbolic";

/// The glyph's shapes in the artwork's units, to be filled with the winding rule.
QPainterPath shape(BrandMarkKind kind);
/// The symbolic SVG of the glyph: the artwork's view box, each shape one filled path, its strokes
/// heavier than the artwork's so that they stay solid at a panel's 16 pixels.
std::string svg(BrandMarkKind kind);

} // namespace tarnwick::symbolicglyph
