#pragma once

#include <memory>
#include <optional>
#include <string>

#include "tarnwick/rpc/stdiotransport.h"

namespace tarnwick::SettingsWindow {

/// Shows the preferences window on `pane` (the first pane when none), handing the settings model
/// the transport its change events go to.
void show(std::shared_ptr<StdioTransport> transport, std::optional<std::string> pane);

} // namespace tarnwick::SettingsWindow
