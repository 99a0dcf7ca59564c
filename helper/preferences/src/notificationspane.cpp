#include "tarnwick/helper/notificationspane.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "tarnwick/helper/preferencebinding.h"
#include "tarnwick/helper/settingsmodel.h"
#include "tarnwick/ui/formstyle.h"

namespace tarnwick {

using Field = SettingsModel::Field;
namespace PB = PreferenceBinding;

NotificationsPane::NotificationsPane(SettingsModel& model, std::function<void()> openFocusSettings, QWidget* parent)
    : PreferenceForm(parent)
{
    setObjectName(QStringLiteral("notificationsPane"));
    addSection(QStringLiteral("Category Notification Levels"));
    const std::vector<PB::Choice> levels = {{QStringLiteral("Loud"), Value("loud")},
                                            {QStringLiteral("Silent"), Value("silent")},
                                            {QStringLiteral("Badge only"), Value("badge")},
                                            {QStringLiteral("Off"), Value("off")}};
    const std::pair<const char*, Field> categories[] = {{"Primary:", Field::notifPrimary},
                                                       {"Updates:", Field::notifUpdates},
                                                       {"Promotions:", Field::notifPromotions},
                                                       {"Social:", Field::notifSocial},
                                                       {"Forums:", Field::notifForums}};
    for (const auto& [label, field] : categories)
        addRow(QString::fromLatin1(label), PB::comboBox(model, field, levels));
    addSeparator();

    addSection(QStringLiteral("Focus Filters"));
    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("focusStatus"));
    FormStyle::keepTone(m_status, FormStyle::Tone::Secondary);
    addRow(QStringLiteral("Focus Status:"), m_status);
    PB::follow(model, Field::focusFilterStatus, m_status,
               [&model, this] { m_status->setText(QString::fromStdString(model.focusFilterStatus())); });
    addCaption(QStringLiteral("Configure Focus Filters in Tarnwick's Focus Filter window to select which accounts are "
                              "active and whether to hide excluded accounts from the window and menu bar."));
    auto* open = new QPushButton(QStringLiteral("Open Focus Settings\u2026"));
    open->setObjectName(QStringLiteral("openFocusSettings"));
    auto* buttonRow = new QWidget;
    auto* buttonLayout = new QHBoxLayout(buttonRow);
    buttonLayout->setContentsMargins(0, 0, 0, 0);
    buttonLayout->addWidget(open);
    buttonLayout->addStretch(1);
    addWidget(buttonRow);
    connect(open, &QPushButton::clicked, this, [openFocusSettings = std::move(openFocusSettings)] {
        if (openFocusSettings)
            openFocusSettings();
    });
    finish();
}

} // namespace tarnwick
