#pragma once

// The verification code card at the top of the tray popover: which service the code is for, how long
// ago it came, the code in large monospaced type and a Copy button. A click anywhere else on the card
// opens the message's thread, as do Enter and Space while the card has the keyboard. Main thread only.

#include <QColor>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>

#include "tarnwick/helper/clock.h"
#include "tarnwick/helper/trayverificationcode.h"

class QLabel;
class QPushButton;

namespace tarnwick {

class VerificationCodeCard : public QWidget {
    Q_OBJECT
public:
    /// How long the button says "Copied" after the last copy.
    static constexpr int kCopiedResetMs = 2000;

    using SelectThread = std::function<void(const std::string& accountId, const std::string& threadId)>;

    VerificationCodeCard(TrayVerificationCode item, QColor accountColor, SelectThread onSelectThread,
                         const Clock& clock = Clock::system(), QWidget* parent = nullptr);

    const TrayVerificationCode& item() const { return m_item; }
    const QColor& accountColor() const { return m_accountColor; }

    /// The service when it has one, else the sender, else "Email".
    static std::string eyebrowServiceName(const TrayVerificationCode& item);
    /// "Just now", "1m ago", "<n>m ago" or "<n>h ago" for whole seconds elapsed (negative counts as 0).
    static std::string relativeTimeText(double elapsedSeconds);
    /// The same for this card's code, now.
    std::string relativeTimeText() const;

    /// Puts the code on the clipboard and shows "Copied" until kCopiedResetMs after the last copy.
    void copyToClipboard();
    bool isCopied() const { return m_copied; }
    bool isHovering() const { return m_hovering; }
    QPushButton* copyButton() const { return m_copyButton; }
    /// What a click does: opens the code's thread.
    Q_INVOKABLE void activate();
    /// Recomputes the relative time (the card is redrawn on model changes, not on a timer).
    void refresh();

Q_SIGNALS:
    void copiedChanged(bool copied);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void setCopied(bool copied);

    TrayVerificationCode m_item;
    QColor m_accountColor;
    SelectThread m_onSelectThread;
    const Clock& m_clock;
    bool m_hovering = false;
    bool m_pressed = false;
    bool m_copied = false;
    QTimer m_copyReset;
    QLabel* m_timeLabel = nullptr;
    QPushButton* m_copyButton = nullptr;
};

} // namespace tarnwick
