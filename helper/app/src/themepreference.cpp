#include "tarnwick/helper/themepreference.h"

#include "tarnwick/helper/settingsmodel.h"
#include "tarnwick/ui/apptheme.h"

namespace tarnwick::ThemePreference {

void follow(SettingsModel& settings, AppTheme& theme)
{
    theme.setTheme(settings.theme());
    QObject::connect(&settings, &SettingsModel::fieldChanged, &theme, [&settings, &theme](SettingsModel::Field field) {
        if (field == SettingsModel::Field::theme)
            theme.setTheme(settings.theme());
    });
}

} // namespace tarnwick::ThemePreference
