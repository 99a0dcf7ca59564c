#pragma once

// The General preferences: login, compose, hotkey, links browser, calls and the mailto: handler.

#include "tarnwick/helper/preferenceform.h"

namespace tarnwick {

class SettingsModel;
class LinksBrowserPicker;

class GeneralPane : public PreferenceForm {
    Q_OBJECT
public:
    explicit GeneralPane(SettingsModel& model, QWidget* parent = nullptr);

    LinksBrowserPicker* linksPicker() const { return m_links; }

protected:
    /// The handler rows show the desktop's current state each time the pane comes on screen.
    void showEvent(QShowEvent* event) override;

private:
    void rebuildHandlerRows();

    SettingsModel& m_model;
    LinksBrowserPicker* m_links = nullptr;
    QWidget* m_handlerRows = nullptr;
};

} // namespace tarnwick
