#pragma once

// The tray views' shared look: fonts sized in points as the tray's logical pixels, the label colours
// (primary, secondary, tertiary text and the accent) taken from the desktop palette, and symbol icons.

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QPalette>
#include <functional>
#include <string_view>

class QLabel;
class QWidget;

namespace tarnwick::traystyle {

/// The desktop's sans-serif at `points` logical pixels (fractions kept).
QFont font(double points, QFont::Weight weight = QFont::Normal);
/// The desktop's monospaced font at `points`.
QFont monospaceFont(double points, QFont::Weight weight = QFont::Normal);

/// Text colours: the palette's text colour at full strength, and at the strengths of secondary and
/// tertiary labels.
QColor primary(double opacity = 1.0);
QColor secondary();
QColor tertiary();
/// The desktop's accent (the palette highlight).
QColor accent();
QColor orange();
QColor green();
/// `color` with its alpha multiplied by `opacity`.
QColor withOpacity(QColor color, double opacity);
/// "rgba(r, g, b, a)" for style sheets.
QString css(const QColor& color);

// Text that comes from outside (account names, senders, subjects) is shown literally everywhere.

/// A label showing `text` as plain text: markup in it is shown, never interpreted.
QLabel* plainLabel(const QString& text, QWidget* parent);
/// `text` as a menu entry's title: "&" shows as itself instead of marking a shortcut letter.
QString menuText(const QString& text);
/// `text` as a tool tip: tool tips that look like markup would otherwise be drawn as rich text.
QString plainToolTip(const QString& text);

/// A symbol (SymbolImage name) as an icon of `points` in `color`, sharp at 1x and 2x.
QIcon symbolIcon(std::string_view symbolName, double points, const QColor& color);

/// The colours above are read from the application palette when called; a widget that keeps what
/// they gave (a style sheet, an explicit palette, an icon) rebuilds it in `restyle`, which runs after
/// every change of the application palette (the theme switching light and dark) while `widget` lives.
void restyleOnPaletteChange(QWidget* widget, std::function<void()> restyle);
/// Runs `style` now and again after every change of the application palette while `widget` lives.
void keepStyled(QWidget* widget, std::function<void()> style);
/// Colours the label's text with what `ink` gives, now and after every change of the palette.
void inkLabel(QLabel* label, std::function<QColor()> ink);

} // namespace tarnwick::traystyle
