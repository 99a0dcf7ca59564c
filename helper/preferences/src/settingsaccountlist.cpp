#include "tarnwick/helper/settingsaccountlist.h"

namespace tarnwick {

SettingsAccountList::SettingsAccountList(SettingsModel& model, QObject* parent)
    : AccountListModel(parent)
    , m_model(model)
{
    using Field = SettingsModel::Field;
    connect(&model, &SettingsModel::fieldChanged, this, [this](Field field) {
        switch (field) {
        case Field::accounts:
            Q_EMIT accountsChanged();
            break;
        case Field::browserProfiles:
        case Field::browsers:
        case Field::defaultBrowser:
        case Field::openLinksIn:
            Q_EMIT browsersChanged();
            break;
        default:
            break;
        }
    });
}

} // namespace tarnwick
