#pragma once

// Keeps the tray item visible on desktops whose tray speaks only XEmbed (i3bar, tint2, trayer):
// while no StatusNotifierWatcher with a host shows the StatusNotifierItem, the item is shown through
// an XEmbedTrayIcon with the same square picture and description, and its presses reach the item's
// host as clicks at the icon's foot. When a watcher shows the item again (it appears, or a host
// registers with it) the XEmbed icon goes, so the item is never shown twice. Main thread only; no
// call blocks on the bus.

#include <QDBusConnection>
#include <QList>
#include <QImage>
#include <QObject>
#include <memory>

class OrgKdeStatusNotifierWatcherInterface;
class QDBusServiceWatcher;

namespace tarnwick {

class StatusNotifierItemHost;
class XEmbedTrayIcon;

class TrayFallback final : public QObject {
    Q_OBJECT
public:
    /// Drives `icon` (owned by the caller) from `host`, whose watcher is looked for on `bus`.
    TrayFallback(StatusNotifierItemHost& host, XEmbedTrayIcon& icon, QDBusConnection bus, QObject* parent = nullptr);
    /// The same with an XEmbedTrayIcon of its own.
    TrayFallback(StatusNotifierItemHost& host, QDBusConnection bus, QObject* parent = nullptr);
    ~TrayFallback() override;

    /// Whether the item is shown through the XEmbed icon now (rather than the watcher).
    bool isUsingXEmbed() const { return m_usingXEmbed; }
    /// The session bus connection was replaced: the watcher is looked for on `bus` from now on.
    void useBus(QDBusConnection bus);

Q_SIGNALS:
    /// Nothing can show the item: there is no StatusNotifierWatcher and no XEmbed tray.
    void noTray();
    /// A tray shows the item: a watcher with a host, or an XEmbed tray that embedded the icon.
    void trayShown();

private:
    void watchBus();
    void useXEmbed(bool use);
    void checkWatcherHost();
    void refresh();

    StatusNotifierItemHost& m_host;
    std::unique_ptr<XEmbedTrayIcon> m_ownIcon;
    XEmbedTrayIcon& m_icon;
    QDBusConnection m_bus;
    OrgKdeStatusNotifierWatcherInterface* m_watcher = nullptr;
    QDBusServiceWatcher* m_watcherGone = nullptr;
    bool m_usingXEmbed = false;
    bool m_watcherMissing = false;
    bool m_registered = false;
    int m_hostCheck = 0; // the newest host check; older answers are stale
};

} // namespace tarnwick
