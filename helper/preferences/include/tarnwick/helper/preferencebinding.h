#pragma once

// Controls bound both ways to one preference of the settings model: what the user picks goes through
// the model's setter (one "settings.changed"), and a value from the main application updates the
// control without any event going back.

#include <QString>
#include <vector>

#include "tarnwick/helper/settingsmodel.h"

class QComboBox;
class QWidget;

namespace tarnwick {

class SwitchButton;

namespace PreferenceBinding {

struct Choice {
    QString label;
    Value value;
};

/// A pop-up picker. A stored value that none of the choices has shows no choice.
QComboBox* comboBox(SettingsModel& model, SettingsModel::Field field, std::vector<Choice> choices,
                    QWidget* parent = nullptr);
/// A segmented picker: one checkable button per choice, exclusive.
QWidget* segmented(SettingsModel& model, SettingsModel::Field field, std::vector<Choice> choices,
                   QWidget* parent = nullptr);
/// An on/off switch for a boolean preference; `text` names it.
SwitchButton* switchButton(SettingsModel& model, SettingsModel::Field field, const QString& text,
                           QWidget* parent = nullptr);
/// Calls `apply` now and whenever `field` changes in the model; ends with `receiver`.
void follow(SettingsModel& model, SettingsModel::Field field, QObject* receiver, std::function<void()> apply);

} // namespace PreferenceBinding

} // namespace tarnwick
