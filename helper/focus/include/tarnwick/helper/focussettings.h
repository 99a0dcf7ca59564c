#pragma once

// Opening the desktop's own settings where do-not-disturb and notification rules live: the nearest
// this desktop has to the place Focus filters are configured.

#include <string>
#include <vector>

namespace tarnwick::FocusSettings {

/// The desktop entries tried, in order: GNOME's and KDE's notification settings, then their settings
/// applications.
const std::vector<std::string>& candidateDesktopIds();
/// Launches the first installed candidate. Returns false, logging a warning, when none could be started.
bool open();

} // namespace tarnwick::FocusSettings
