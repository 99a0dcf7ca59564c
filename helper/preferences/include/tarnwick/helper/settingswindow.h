#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "tarnwick/helper/settingswindowcontroller.h"
#include "tarnwick/rpc/stdiotransport.h"

namespace tarnwick {
class SettingsModel;
}

namespace tarnwick::SettingsWindow {

/// The preferences window's title and its five tabs (General, Accounts, Appearance, Notifications,
/// Advanced), each bound to `model`. `openFocusSettings` serves the Notifications tab's button.
SettingsWindowSpec buildSpec(SettingsModel& model, std::function<void()> openFocusSettings);

/// Shows the preferences window on `pane` (the first pane when none), handing the settings model
/// the transport its change events go to.
void show(std::shared_ptr<StdioTransport> transport, std::optional<std::string> pane);

} // namespace tarnwick::SettingsWindow
