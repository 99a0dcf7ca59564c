#pragma once

// The small pieces every preferences form is made of: captions, section titles, separators and rows of
// a label with its control.

#include <QColor>
#include <QString>

class QFrame;
class QLabel;
class QLayout;
class QWidget;

namespace tarnwick::FormStyle {

enum class Tone { Secondary, Tertiary };

/// A wrapped note in caption size and a secondary (or tertiary) text colour.
QLabel* caption(const QString& text, QWidget* parent = nullptr, Tone tone = Tone::Secondary);
/// A section's title in bold.
QLabel* sectionTitle(const QString& text, QWidget* parent = nullptr);
/// A thin horizontal line between groups of a form.
QFrame* separator(QWidget* parent = nullptr);
/// A widget holding `label` on the left and `control` on the right (the control keeps its size).
QWidget* labelledRow(QLabel* label, QWidget* control, QWidget* parent = nullptr);
/// The text colour of a tone in the widget's palette.
QColor toneColor(const QWidget* widget, Tone tone);
/// The widest a tool tip's line may be, in logical pixels.
constexpr int kToolTipWidth = 400;
/// `text` broken into lines (at spaces) no wider than `maxWidth` in the tool tip font, so a long
/// tool tip is a block beside the pointer rather than one line across the screen. Plain text stays
/// plain text; a word longer than the width keeps a line of its own.
QString toolTip(const QString& text, int maxWidth = kToolTipWidth);
/// Gives `widget` the text colour of `tone`, now and after every change of the application palette.
void keepTone(QWidget* widget, Tone tone);

} // namespace tarnwick::FormStyle
