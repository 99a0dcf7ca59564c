#pragma once

// What the navigation recogniser sees for an XInput2 raw button event over the host's window. Raw
// events cannot be swallowed: the host sees the same buttons.

#include <cstdint>
#include <optional>

#include "tarnwick/native/mousenavigationrecognizer.h"

namespace tarnwick::nativelib {

/// X button 8 (back) and 9 (forward) become the recogniser's other-mouse buttons 3 and 4; buttons 6
/// and 7 (scroll left and right, also what touchpads emulate for smooth horizontal scrolling) become
/// one phase-less wheel step of 15 points each, as Qt counts a notch; anything else is not looked at.
std::optional<native::NavigationInput> navigationInputFromRawButton(std::uint32_t button, bool press);

} // namespace tarnwick::nativelib
