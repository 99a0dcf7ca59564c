#include "x11navigationinput.h"

namespace tarnwick::nativelib {

using native::MouseNavigationRecognizer;
using native::NavigationInput;

std::optional<NavigationInput> navigationInputFromRawButton(std::uint32_t button, bool press)
{
    NavigationInput input;
    input.target = NavigationInput::Target::Window;
    switch (button) {
    case 8:
    case 9:
        input.kind = press ? NavigationInput::Kind::OtherMouseDown : NavigationInput::Kind::OtherMouseUp;
        input.buttonNumber = button == 8 ? MouseNavigationRecognizer::kBackButton : MouseNavigationRecognizer::kForwardButton;
        return input;
    case 6:
    case 7:
        // A scroll step is one press and release; the press alone carries the step.
        if (!press)
            return std::nullopt;
        input.kind = NavigationInput::Kind::ScrollWheel;
        input.deltaX = button == 6 ? 15.0 : -15.0;
        return input;
    default:
        return std::nullopt;
    }
}

} // namespace tarnwick::nativelib
