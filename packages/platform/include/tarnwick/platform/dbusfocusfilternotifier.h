#pragma once

#include "tarnwick/platform/focusfilternotifier.h"

namespace tarnwick {

/// Posts the announcement on the session bus through QtDBus and returns once the bus daemon has it,
/// so a short-lived program may exit right after. It blocks on a bus round trip: use it in command
/// line tools, never on a GUI thread. Needs a QCoreApplication.
class DBusFocusFilterNotifier final : public FocusFilterNotifier {
public:
    std::optional<std::string> post() override;
};

} // namespace tarnwick
