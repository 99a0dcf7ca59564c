#pragma once

// A status banner of the tray popover: an icon, a title and a subtitle on a rounded tint. The
// sign-in banner is orange and carries a "Sign In" button; the caught-up banner has a green check.

#include <QColor>
#include <QWidget>
#include <functional>
#include <string>

class QLabel;
class QPushButton;

namespace tarnwick {

class TrayBanner : public QWidget {
    Q_OBJECT
public:
    enum class Kind { offline, signIn, restricted, caughtUp };

    TrayBanner(Kind kind, QString title, QString subtitle, std::function<void()> onSignIn = {},
               QWidget* parent = nullptr);

    Kind kind() const { return m_kind; }
    QString title() const;
    QString subtitle() const;
    /// The symbol name of the icon.
    const std::string& symbol() const { return m_symbol; }
    /// "Sign In" on the sign-in banner; null on the others.
    QPushButton* signInButton() const { return m_signIn; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Kind m_kind;
    std::string m_symbol;
    QLabel* m_title = nullptr;
    QLabel* m_subtitle = nullptr;
    QPushButton* m_signIn = nullptr;
};

} // namespace tarnwick
