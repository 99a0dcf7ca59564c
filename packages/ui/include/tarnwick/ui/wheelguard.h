#pragma once

// Pop-ups that do not change under a passing scroll wheel. A closed combo box steps through its options
// on every wheel notch, so scrolling a form over one silently changes a setting; guarded controls take
// the wheel only while they have the keyboard focus, and otherwise pass it on to what lies beneath.

class QWidget;

namespace tarnwick::WheelGuard {

/// Guards `control` for its lifetime; it still takes the focus by click and Tab.
void install(QWidget* control);

} // namespace tarnwick::WheelGuard
