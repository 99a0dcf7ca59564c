#pragma once

// The Appearance preferences: theme, window, Gmail and the dock and menu bar sections.

#include "tarnwick/helper/preferenceform.h"

namespace tarnwick {

class SettingsModel;

class AppearancePane : public PreferenceForm {
    Q_OBJECT
public:
    explicit AppearancePane(SettingsModel& model, QWidget* parent = nullptr);
};

} // namespace tarnwick
