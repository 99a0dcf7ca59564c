#include "tarnwick/helper/advancedpane.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "tarnwick/helper/preferencebinding.h"
#include "tarnwick/helper/settingsmodel.h"

namespace tarnwick {

using Field = SettingsModel::Field;
namespace PB = PreferenceBinding;

AdvancedPane::AdvancedPane(SettingsModel& model, QWidget* parent)
    : PreferenceForm(parent)
{
    setObjectName(QStringLiteral("advancedPane"));

    addSection(QStringLiteral("Fetch Frequency"));
    addRow(QStringLiteral("On power adapter:"),
           PB::comboBox(model, Field::pollIntervalSeconds,
                        {{QStringLiteral("Every 30 seconds"), Value(30)},
                         {QStringLiteral("Every minute"), Value(60)},
                         {QStringLiteral("Every 2 minutes"), Value(120)},
                         {QStringLiteral("Every 5 minutes"), Value(300)},
                         {QStringLiteral("Every 15 minutes"), Value(900)}}));
    addRow(QStringLiteral("On battery:"),
           PB::comboBox(model, Field::pollIntervalBatterySeconds,
                        {{QStringLiteral("Every minute"), Value(60)},
                         {QStringLiteral("Every 2 minutes"), Value(120)},
                         {QStringLiteral("Every 3 minutes"), Value(180)},
                         {QStringLiteral("Every 5 minutes"), Value(300)},
                         {QStringLiteral("Every 10 minutes"), Value(600)},
                         {QStringLiteral("Every 15 minutes"), Value(900)}}));
    addCaption(QStringLiteral("Checks Gmail's background feed to update unread counts and deliver native notifications."));
    addSeparator();

    addSection(QStringLiteral("Memory"));
    addRow(QStringLiteral("Unload inactive after:"),
           PB::comboBox(model, Field::inactiveAccountSuspendMinutes,
                        {{QStringLiteral("1 minute"), Value(1)},
                         {QStringLiteral("5 minutes"), Value(5)},
                         {QStringLiteral("10 minutes"), Value(10)},
                         {QStringLiteral("30 minutes"), Value(30)},
                         {QStringLiteral("1 hour"), Value(60)},
                         {QStringLiteral("Never"), Value(0)}}));
    addCaption(QStringLiteral("An account you switch away from stays in memory for this long, then unloads to free "
                              "around 450MB. Unread counts and notifications keep arriving either way, and returning "
                              "to an unloaded account reopens it where you left off."));
    addSeparator();

    addSection(QStringLiteral("Diagnostics"));
    addCaption(QStringLiteral("Assembles application and extension logs along with system environment info into a "
                              "redacted archive for troubleshooting."));
    auto* collect = new QPushButton(QStringLiteral("Collect Diagnostics\u2026"));
    collect->setObjectName(QStringLiteral("collectDiagnostics"));
    auto* buttonRow = new QWidget;
    auto* buttonLayout = new QHBoxLayout(buttonRow);
    buttonLayout->setContentsMargins(0, 0, 0, 0);
    buttonLayout->addWidget(collect);
    buttonLayout->addStretch(1);
    addWidget(buttonRow);
    // A request, not a preference: it changes no field and is sent whatever the model is doing.
    connect(collect, &QPushButton::clicked, this, [&model] {
        if (const auto& transport = model.transport())
            transport->sendEvent("settings.changed", Object{{"key", "collectDiagnostics"}, {"value", true}});
    });
    finish();
}

} // namespace tarnwick
