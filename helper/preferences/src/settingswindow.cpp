#include "tarnwick/helper/settingswindow.h"

#include <QVBoxLayout>

#include "tarnwick/helper/advancedpane.h"
#include "tarnwick/helper/appearancepane.h"
#include "tarnwick/helper/focussettings.h"
#include "tarnwick/helper/generalpane.h"
#include "tarnwick/helper/notificationspane.h"
#include "tarnwick/helper/settingsaccountlist.h"
#include "tarnwick/helper/settingsmodel.h"
#include "tarnwick/ui/accountstab.h"

namespace tarnwick::SettingsWindow {

SettingsWindowSpec buildSpec(SettingsModel& model, std::function<void()> openFocusSettings)
{
    SettingsWindowSpec spec;
    spec.title = "Tarnwick Preferences";
    spec.tabs = {
        {"general", "General", "gearshape", 210, [&model] { return new GeneralPane(model); }},
        {"accounts", "Accounts", "person.2", 240,
         [&model] {
             auto* holder = new QWidget;
             holder->setObjectName(QStringLiteral("accountsPane"));
             auto* accounts = new SettingsAccountList(model, holder);
             auto* layout = new QVBoxLayout(holder);
             layout->setContentsMargins(0, 0, 0, 0);
             layout->addWidget(new AccountsTab(*accounts, AccountsActions::defaultPalette(), holder));
             return holder;
         }},
        {"appearance", "Appearance", "paintbrush", 430, [&model] { return new AppearancePane(model); }},
        {"notifications", "Notifications", "bell", 390,
         [&model, openFocusSettings] { return new NotificationsPane(model, openFocusSettings); }},
        {"advanced", "Advanced", "wrench.adjustable", 330, [&model] { return new AdvancedPane(model); }},
    };
    return spec;
}

void show(std::shared_ptr<StdioTransport> transport, std::optional<std::string> pane)
{
    SettingsModel& model = SettingsModel::shared();
    model.setTransport(std::move(transport));
    SettingsWindowController::shared().show(buildSpec(model, [] { FocusSettings::open(); }), pane);
}

} // namespace tarnwick::SettingsWindow
