#pragma once

// One account in the Accounts preferences list: drag handle, colour well, editable name, the profile
// menu, and a "Sign In" button while the account needs signing in again. Edits are committed when the
// name is submitted or loses focus, and whenever a new colour is chosen. A click or focus anywhere in the
// row activates it (the list selects it), and a right click anywhere offers "Remove Account".

#include <QMenu>
#include <QPointer>
#include <QWidget>
#include <optional>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tarnwick {

class ColorWell;
class DragHandle;

class AccountRow : public QWidget {
    Q_OBJECT
public:
    /// `linksMenu` (may be null) is placed in the row and owned by it.
    AccountRow(const std::string& name, const std::string& color, bool needsAuth, QWidget* linksMenu,
               QWidget* parent = nullptr);

    /// What a commit does with the draft: nothing, restore the current name (a blank draft), or report
    /// a new name or colour.
    struct Commit {
        enum class Kind { Nothing, Restore, Report } kind = Kind::Nothing;
        std::string name;
        std::string color;
        friend bool operator==(const Commit&, const Commit&) = default;
    };
    static Commit decide(const std::string& draftName, const std::string& draftHex, const std::string& name,
                         const std::string& color);

    /// A new name from outside: the field follows unless the user is typing in it.
    void setName(const std::string& name);
    /// A new colour from outside: shown without being reported.
    void setColor(const std::string& color);
    void setNeedsAuth(bool needsAuth);
    /// Whether the list shows the row selected: its texts then take the highlighted text colour.
    void setSelected(bool selected);
    bool isSelected() const { return m_selected; }

    const std::string& name() const { return m_name; }
    QLineEdit* nameField() const { return m_field; }
    ColorWell* colorWell() const { return m_well; }
    QPushButton* signInButton() const { return m_signIn; }
    DragHandle* dragHandle() const { return m_handle; }
    /// The context menu on screen, if any.
    QMenu* contextMenu() const { return m_menu; }

    /// Commits the current draft (what Return, focus loss and a colour choice do).
    void commit();

Q_SIGNALS:
    void committed(const std::string& name, const std::string& color);
    void signInRequested();
    void removeRequested();
    /// The user clicked or moved the focus into the row.
    void activated();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void watch(QWidget* widget);
    void showContextMenu(QWidget* where, const QPoint& globalPos);
    void applySelectionColours();

    std::string m_name;
    std::string m_color;
    QLineEdit* m_field = nullptr;
    QWidget* m_links = nullptr;
    bool m_selected = false;
    ColorWell* m_well = nullptr;
    QWidget* m_auth = nullptr;
    QPushButton* m_signIn = nullptr;
    DragHandle* m_handle = nullptr;
    QAction* m_removeAction = nullptr;
    QPointer<QMenu> m_menu;
};

} // namespace tarnwick
