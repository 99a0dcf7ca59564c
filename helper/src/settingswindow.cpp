#include "tarnwick/helper/settingswindow.h"

#include "tarnwick/helper/settingsmodel.h"

namespace tarnwick::SettingsWindow {

void show(std::shared_ptr<StdioTransport> transport, std::optional<std::string> pane)
{
    SettingsModel::shared().setTransport(std::move(transport));
    // PENDING: the preferences window itself.
    (void)pane;
}

} // namespace tarnwick::SettingsWindow
