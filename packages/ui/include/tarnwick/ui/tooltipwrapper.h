#pragma once

// Long tool tips shown as a block beside the pointer: every plain-text tool tip of the program wider
// than FormStyle::kToolTipWidth is shown broken into lines (FormStyle::toolTip). The widgets keep their
// texts as set, so what a screen reader reads as their description is unchanged. Main thread only.

class QPoint;
class QWidget;

namespace tarnwick::ToolTipWrapper {

/// Wraps the tool tips of every widget of the application from now on (once is enough).
void install();

/// Shows `widget`'s tool tip wrapped at `globalPos`; false (nothing shown) when it needs no wrapping.
bool showFor(QWidget* widget, const QPoint& globalPos);

} // namespace tarnwick::ToolTipWrapper
