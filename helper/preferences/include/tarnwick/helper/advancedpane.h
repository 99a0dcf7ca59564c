#pragma once

// The Advanced preferences: fetch frequency, memory, diagnostics.

#include "tarnwick/helper/preferenceform.h"

namespace tarnwick {

class SettingsModel;

class AdvancedPane : public PreferenceForm {
    Q_OBJECT
public:
    explicit AdvancedPane(SettingsModel& model, QWidget* parent = nullptr);
};

} // namespace tarnwick
