#pragma once

// The Focus filter window: Tarnwick's own place to configure "Filter Accounts" on a desktop without a
// Focus settings panel. One check box per account (with its dot), "Prevent Access to Silenced
// Accounts", and a second filter for the times the desktop's Do Not Disturb is on. Apply performs the
// filter exactly as `tarnwick-focus-filter apply` does, after saving the Do Not Disturb choice, so the
// one announcement that follows covers both. Main thread only.

#include <QWidget>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tarnwick/appintents/focusfilterintent.h"
#include "tarnwick/extensionkit/focusfilterfile.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QScrollArea;

namespace tarnwick {

class FocusFilterWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kWindowTitle = "Tarnwick Focus Filter";

    /// Everything in `environment` must outlive the window.
    explicit FocusFilterWindow(TarnwickFocusFilter::Environment environment, QWidget* parent = nullptr);

    /// The filter as the boxes show it now.
    TarnwickFocusFilter filter() const;
    /// The Do Not Disturb choice as shown: nothing when Do Not Disturb leaves the filter alone.
    std::optional<FocusFilterState> doNotDisturbChoice() const;

    QCheckBox* accountBox(const std::string& id) const;
    QCheckBox* doNotDisturbAccountBox(const std::string& id) const;
    QCheckBox* preventAccessBox() const { return m_preventAccess; }
    QCheckBox* doNotDisturbSwitch() const { return m_dndEnabled; }
    QCheckBox* doNotDisturbPreventAccessBox() const { return m_dndPreventAccess; }
    QPushButton* applyButton() const { return m_apply; }
    QLabel* statusLabel() const { return m_status; }

    /// Saves the Do Not Disturb choice, then performs the filter. Returns whether both succeeded; the
    /// outcome is shown in the status line.
    bool apply();

Q_SIGNALS:
    void applied(bool ok);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void updateDoNotDisturbEnabled();
    bool saveDoNotDisturbChoice();
    /// Keeps the window inside the screen's work area, the form scrolling when it must.
    void fitToScreen();

    TarnwickFocusFilter::Environment m_env;
    std::vector<AccountEntity> m_accounts;
    std::map<std::string, QCheckBox*> m_boxes;
    std::map<std::string, QCheckBox*> m_dndBoxes;
    QCheckBox* m_preventAccess = nullptr;
    QCheckBox* m_dndEnabled = nullptr;
    QCheckBox* m_dndPreventAccess = nullptr;
    QWidget* m_dndGroup = nullptr;
    QScrollArea* m_scroll = nullptr;
    QPushButton* m_apply = nullptr;
    QLabel* m_status = nullptr;
};

} // namespace tarnwick
