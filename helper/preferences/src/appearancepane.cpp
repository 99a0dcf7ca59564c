#include "tarnwick/helper/appearancepane.h"

#include <QComboBox>
#include <QLabel>

#include "tarnwick/helper/preferencebinding.h"
#include "tarnwick/helper/settingsmodel.h"
#include "tarnwick/ui/switchbutton.h"

namespace tarnwick {

using Field = SettingsModel::Field;
namespace PB = PreferenceBinding;

AppearancePane::AppearancePane(SettingsModel& model, QWidget* parent)
    : PreferenceForm(parent)
{
    setObjectName(QStringLiteral("appearancePane"));

    addSection(QStringLiteral("Theme"));
    addRow(QStringLiteral("Theme:"),
           PB::segmented(model, Field::theme,
                         {{QStringLiteral("System Default"), Value("system")},
                          {QStringLiteral("Light"), Value("light")},
                          {QStringLiteral("Dark"), Value("dark")}}));
    addCaption(QStringLiteral("For best results, keep Gmail's own theme set to \"Default\" (light) and let Tarnwick "
                              "handle dark mode."));
    addSeparator();

    addSection(QStringLiteral("Window"));
    addSwitch(PB::switchButton(model, Field::transparentBackground, QStringLiteral("Transparent background")));
    addSeparator();

    addSection(QStringLiteral("Gmail"));
    addSwitch(PB::switchButton(model, Field::hidePromotionAds, QStringLiteral("Hide inbox ads")));
    addSwitch(PB::switchButton(model, Field::hideSidebar, QStringLiteral("Hide app sidebar")));
    addSeparator();

    addSection(QStringLiteral("Dock & Menu Bar"));
    addRow(QStringLiteral("Dock badge:"),
           PB::comboBox(model, Field::dockBadgeMode,
                        {{QStringLiteral("All unread messages"), Value("allUnread")},
                         {QStringLiteral("New messages only"), Value("newArrivals")},
                         {QStringLiteral("Off"), Value("off")}}));
    QLabel* badgeNote = addCaption(QStringLiteral("Counts mail that arrived while you were away, and goes down as you "
                                                  "read it. The backlog is left out."));
    badgeNote->setObjectName(QStringLiteral("dockBadgeNote"));
    PB::follow(model, Field::dockBadgeMode, badgeNote,
               [&model, badgeNote] { badgeNote->setVisible(model.dockBadgeMode() == "newArrivals"); });

    addSwitch(PB::switchButton(model, Field::showMenuBarTray, QStringLiteral("Show menu bar tray")));
    addRow(QStringLiteral("Menu bar status:"),
           PB::comboBox(model, Field::menuBarUnreadDisplay,
                        {{QStringLiteral("Menu bar icon only"), Value("nothing")},
                         {QStringLiteral("Unread status dots"), Value("dots")},
                         {QStringLiteral("Unread count"), Value("numbers")}}));
    QLabel* countNote = addCaption(QStringLiteral("One cell per account, with 0 for a quiet one, so the item keeps its "
                                                  "width as mail arrives or is read."));
    countNote->setObjectName(QStringLiteral("menuBarCountNote"));
    PB::follow(model, Field::menuBarUnreadDisplay, countNote,
               [&model, countNote] { countNote->setVisible(model.menuBarUnreadDisplay() == "numbers"); });

    addSwitch(PB::switchButton(model, Field::menuBarVerificationCodes, QStringLiteral("Show verification codes")));
    QWidget* duration =
        addRow(QStringLiteral("Keep in menu bar for:"),
               PB::comboBox(model, Field::verificationCodeDurationMinutes,
                            {{QStringLiteral("5 minutes"), Value(5)},
                             {QStringLiteral("10 minutes"), Value(10)},
                             {QStringLiteral("15 minutes"), Value(15)},
                             {QStringLiteral("30 minutes"), Value(30)}}));
    duration->setObjectName(QStringLiteral("codeDurationRow"));
    PB::follow(model, Field::menuBarVerificationCodes, duration,
               [&model, duration] { duration->setVisible(model.menuBarVerificationCodes()); });
    finish();
}

} // namespace tarnwick
