#pragma once

// One recent message in the tray popover: a bar in the account colour, sender and time, subject with
// an unread dot and the category symbol. A click opens the thread; the context menu offers the thread
// actions. Drawn by hand so the texts elide and the tints follow the row's hover state. From the
// keyboard: Enter or Space opens the thread, Up and Down move to the next row, the Menu key or
// Shift+F10 opens the context menu.

#include <QColor>
#include <QPointer>
#include <QWidget>
#include <functional>

#include "tarnwick/helper/traymodel.h"

#include <QMenu>

namespace tarnwick {

class TrayMessageRow : public QWidget {
    Q_OBJECT
public:
    TrayMessageRow(TrayMessage message, QColor accentColor, bool showsDivider, QString timeLabel,
                   std::function<void()> onTap, std::function<void(TrayThreadAction)> onAction,
                   QWidget* parent = nullptr);

    /// Shows another state of the same message (read or unread, new time, divider) in place, so an
    /// open context menu and the list's scroll position survive. Returns whether anything changed.
    bool setContent(TrayMessage message, QColor accentColor, bool showsDivider, QString timeLabel);
    /// Replaces what a click and the context menu's entries call.
    void setCallbacks(std::function<void()> onTap, std::function<void(TrayThreadAction)> onAction);

    const TrayMessage& message() const { return m_message; }
    const QColor& accentColor() const { return m_accent; }
    bool showsDivider() const { return m_showsDivider; }
    bool isHovering() const { return m_hovering; }
    QString senderText() const;
    const QString& timeText() const { return m_time; }
    QString subjectText() const;
    /// The sender and subject as drawn at the row's width: cut at their logical ends with "…".
    QString shownSender() const;
    QString shownSubject() const;
    /// "Unread" or "Read", as assistive technology reads the row.
    QString readState() const;
    /// What a click does: opens the thread.
    Q_INVOKABLE void activate();
    /// The row's background for its state (unread or read, hovered or not).
    QColor backgroundColor() const;
    /// Where the category symbol is drawn (its tool tip is the category title).
    QRectF categorySymbolRect() const;
    /// The category symbol, a child of its own so assistive technology reads the category title.
    QWidget* categorySymbol() const { return m_symbol; }
    /// The context menu last opened on this row, while it exists.
    QMenu* contextMenu() const { return m_menu; }

    QSize sizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void openContextMenu(QPoint globalPos);
    struct Layout;
    Layout layout() const;
    void updateAccessibility();

    TrayMessage m_message;
    QColor m_accent;
    bool m_showsDivider;
    QString m_time;
    std::function<void()> m_onTap;
    std::function<void(TrayThreadAction)> m_onAction;
    bool m_hovering = false;
    bool m_pressed = false;
    QPointer<QMenu> m_menu;
    QWidget* m_symbol = nullptr;
};

} // namespace tarnwick
