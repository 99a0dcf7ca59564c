#pragma once

// The tray item in an XEmbed system tray (i3bar, tint2, trayer, stalonetray, older panels): a small
// window of ours that the tray (the owner of the _NET_SYSTEM_TRAY_S<screen> selection) embeds. It
// paints the item's square picture at the size the tray gives it, carries the spoken description as
// its tooltip, and reports presses with the point under the icon. It docks as soon as a tray is
// there, again when the tray restarts, and says when it is embedded and when there is no tray.
//
// It speaks XEmbed itself, on the connection of Qt's xcb platform, rather than through
// QSystemTrayIcon: Qt 6.4 decides once per process, with a blocking D-Bus call, whether to publish a
// StatusNotifierItem instead, so a QSystemTrayIcon made while a watcher is around would put a second
// item in the tray; and it never says whether it is embedded. Only the xcb platform can show it
// (isSupported()); elsewhere every call does nothing. Main thread only.

#include <QColor>
#include <QImage>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>
#include <functional>
#include <memory>

namespace tarnwick {

class XEmbedTrayIcon : public QObject {
    Q_OBJECT
public:
    explicit XEmbedTrayIcon(QObject* parent = nullptr);
    ~XEmbedTrayIcon() override;

    /// Whether this process can show an icon in an XEmbed tray (it runs on Qt's xcb platform).
    static bool isSupported();
    /// Whether an XEmbed tray is on the display now (someone owns _NET_SYSTEM_TRAY_S<screen>). One
    /// round trip to the X server; false when not supported.
    static bool isTrayPresent();

    /// isSupported() and isTrayPresent(): whether show() would put the icon in a tray now.
    virtual bool canEmbedNow() const;

    /// Draws the item's square picture `side` device pixels wide for a tray whose background under
    /// the icon is `background`, so the glyph's ink can contrast with it.
    using PictureSource = std::function<QImage(int side, const QColor& background)>;

    /// Shows the item with the picture `source` draws and `toolTip`; called again to update both.
    /// The icon docks now, or when a tray appears; trayMissing() is emitted while there is none.
    virtual void show(PictureSource source, const QString& toolTip);
    /// Takes the icon out of the tray.
    virtual void hide();

    /// Whether show() was called more recently than hide().
    bool isShown() const { return m_shown; }
    /// Whether a tray has embedded the icon (and still holds it).
    bool isEmbedded() const { return m_embedded; }
    /// Where the icon is on the screen, in Qt's screen coordinates; empty while it is not embedded.
    QRect geometry() const;

Q_SIGNALS:
    /// A mouse button went down on the icon; `point` is the centre of the icon's lower edge, in
    /// screen coordinates, where the popover opens.
    void pressed(QPoint point);
    /// A tray embedded the icon (after show(), or after the tray came back).
    void embedded();
    /// The icon is shown but no XEmbed tray holds it: there was none, or it went away.
    void trayMissing();

private:
    class Private;
    friend class Private;
    std::unique_ptr<Private> d;
    bool m_shown = false;
    bool m_embedded = false;
};

} // namespace tarnwick
