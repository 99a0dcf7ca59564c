#pragma once

// What assistive technology makes of the popover's hand-drawn controls: a message row and the code
// card are buttons (pressing one does what a click does), and a row's value is "Unread" or "Read".

namespace tarnwick::traypopoveraccessible {

/// Makes the above hold for the whole process. Idempotent; call once a QApplication exists.
void install();

} // namespace tarnwick::traypopoveraccessible
