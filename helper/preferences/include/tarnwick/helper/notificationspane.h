#pragma once

// The Notifications preferences: a level per mail category, and the Focus filter's status.

#include <functional>

#include "tarnwick/helper/preferenceform.h"

class QLabel;

namespace tarnwick {

class SettingsModel;

class NotificationsPane : public PreferenceForm {
    Q_OBJECT
public:
    /// `openFocusSettings` runs when the user asks for the desktop's Focus settings.
    NotificationsPane(SettingsModel& model, std::function<void()> openFocusSettings, QWidget* parent = nullptr);

    QLabel* focusStatus() const { return m_status; }

private:
    QLabel* m_status = nullptr;
};

} // namespace tarnwick
