#pragma once

// The Accounts preferences tab: the account list (colour, name, profile menu, sign-in state), dragging a
// row by its handle to reorder, and the add, remove and reset-session buttons. It edits the model's local copy of the list
// and reports each action through AccountsActions. Main thread only.

#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <map>
#include <string>
#include <vector>

#include "tarnwick/ui/accountsactions.h"

class QFrame;
class QLabel;
class QListWidget;

class QPushButton;
class QToolButton;

namespace tarnwick {

class AccountListModel;
class AccountRow;

class AccountsTab : public QWidget {
    Q_OBJECT
public:
    explicit AccountsTab(AccountListModel& model,
                         std::vector<std::string> palette = AccountsActions::defaultPalette(),
                         QWidget* parent = nullptr);

    AccountsActions& actions() { return m_actions; }
    QListWidget* list() const { return m_list; }
    /// The row of an account id, if listed.
    AccountRow* row(const std::string& id) const;
    /// The profile menu button of an account id's row, if listed.
    QToolButton* profileMenu(const std::string& id) const;
    /// The open reset confirmation, if any.
    QMessageBox* resetAlert() const { return m_alert; }

    /// Removes the selected account (the − button and the Delete key).
    void removeSelected();
    /// Asks to confirm resetting the selected account's session.
    void confirmResetSelected();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void reload();
    void rebuildRows();
    void refreshProfileMenus();
    void fillProfileMenu(QToolButton* button, const std::string& id);
    void applySelection();
    void updateButtons();
    void adoptListOrder();
    void selectRow(const std::string& id);
    /// The gap (0 = before the first row) nearest a point of the screen.
    int dropOffset(QPoint globalPos) const;
    void showDropLine(int offset);
    void dropRow(const std::string& id, int offset);

    AccountListModel& m_model;
    AccountsActions m_actions;
    QListWidget* m_list = nullptr;
    QToolButton* m_add = nullptr;
    QToolButton* m_remove = nullptr;
    QPushButton* m_reset = nullptr;
    QFrame* m_dropLine = nullptr;
    std::vector<std::string> m_rowIds;
    std::map<std::string, std::pair<AccountRow*, QToolButton*>> m_rows;
    QPointer<QMessageBox> m_alert;
    bool m_applyingSelection = false;
};

} // namespace tarnwick
