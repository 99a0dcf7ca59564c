#pragma once

// Symbol images by the names the product uses for them ("tray", "square.and.pencil", ...). Each name
// maps onto freedesktop icon-theme names; when the current icon theme has none of them, a picture
// drawn here stands in, so a machine without an icon theme still shows a recognisable symbol.
//
// Symbols are monochrome: theme icons (the "-symbolic" set) and drawn pictures alike are recoloured
// to the colour asked for, alpha kept.
//
// Threading: the theme lookup goes through QIcon and must run on the GUI thread; with
// `Source::Drawn` rendering touches only a QImage and is safe on any thread.

#include <optional>
#include <string_view>
#include <vector>

#include <QColor>
#include <QImage>
#include <QRectF>
#include <QSize>

class QPainter;

namespace tarnwick {

class SymbolImage {
public:
    enum class Source {
        Theme, ///< the current icon theme's icon
        Drawn, ///< the built-in drawing
    };

    /// Every symbol name in the table, in table order.
    static std::vector<std::string_view> names();
    static bool isKnown(std::string_view symbolName);
    /// The icon-theme names tried for a symbol, most specific first; empty for an unknown name.
    static std::vector<std::string_view> themeIconNames(std::string_view symbolName);
    /// Where render() would take the picture from now; nothing for an unknown name.
    static std::optional<Source> source(std::string_view symbolName);

    /// The symbol in `color`, centred in a transparent `pointSize` box, drawn at
    /// `devicePixelRatio` pixels per point (the image carries that ratio). The theme icon when the
    /// theme has one, the drawn picture otherwise. A null image for an unknown name or an empty size.
    static QImage render(std::string_view symbolName, QSize pointSize, const QColor& color,
                         qreal devicePixelRatio = 1.0);
    /// As render(), from one source only; a null image when that source has no picture.
    static QImage render(std::string_view symbolName, QSize pointSize, const QColor& color,
                         qreal devicePixelRatio, Source only);

    /// Draws the symbol into `target` (in the painter's coordinates) at the painter's effective
    /// resolution, so it stays sharp in a 2x image. Returns false for an unknown name.
    static bool paint(QPainter& painter, const QRectF& target, std::string_view symbolName, const QColor& color);
};

} // namespace tarnwick
