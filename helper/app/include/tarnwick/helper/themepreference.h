#pragma once

// The `theme` preference the main application sends reaches the program's appearance: the settings
// model's value now and every change of it. Main thread only.

namespace tarnwick {

class AppTheme;
class SettingsModel;

namespace ThemePreference {

/// Applies `settings`' theme to `theme` now and whenever it changes, for as long as both live.
void follow(SettingsModel& settings, AppTheme& theme);

} // namespace ThemePreference

} // namespace tarnwick
