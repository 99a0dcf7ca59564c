#pragma once

// The popover's search field. Enter hands the trimmed text to onSubmit (nothing for blank text) and
// is consumed either way; typing updates the bound text. With two or more accounts a scope menu
// ("Search in", then one checkable entry per account) hangs off the magnifier, and opens with Alt+Down.

#include <QLineEdit>
#include <QPointer>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tarnwick/helper/trayaccount.h"

#include <QMenu>

namespace tarnwick {

class TraySearchField : public QLineEdit {
    Q_OBJECT
public:
    explicit TraySearchField(QWidget* parent = nullptr);

    std::function<void(const QString&)> onTextChanged;
    std::function<void(const std::string& accountId)> onSelectAccount;
    std::function<void(const QString&)> onSubmit;

    /// Brings the field up to date: placeholder, scope menu (new entries only when the accounts change), and the text only when it
    /// differs from the bound one.
    void sync(const QString& boundText, const QString& placeholder, const std::vector<TrayAccount>& accounts,
              const std::optional<std::string>& selectedAccountId);

    /// The scope menu; null with fewer than two accounts.
    QMenu* scopeMenu() const { return m_scopeMenu; }
    void showScopeMenu();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void nameIconButtons();

    QAction* m_magnifier = nullptr;
    QPointer<QMenu> m_scopeMenu;
    std::vector<std::string> m_scopeIds;
};

} // namespace tarnwick
