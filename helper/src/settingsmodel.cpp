#include "tarnwick/helper/settingsmodel.h"

namespace tarnwick {

SettingsModel& SettingsModel::shared()
{
    // Never destroyed: views and controllers may still reach it while the process exits.
    static SettingsModel* instance = new SettingsModel;
    return *instance;
}

void SettingsModel::update(const Object& settings)
{
    // PENDING: the preference fields and their change events arrive with the settings model work.
    (void)settings;
}

} // namespace tarnwick
