#pragma once

// The helper's connection to the session bus, kept alive. QtDBus never reconnects a connection the
// bus dropped (the daemon restarted, or it closed us over a message beyond its limits), and every
// name, object and signal match on it is gone with it. This object notices the loss (libdbus's
// local Disconnected signal), logs it once at error level, and connects again with back-off (0.5 s
// doubling up to 30 s). What registers on the bus takes connection() and follows reconnected() to
// publish itself again; the models behind it never notice.
//
// Main thread only. A reconnection attempt opens the socket synchronously, which on a local bus takes
// a few milliseconds; no other call blocks.

#include <QDBusConnection>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>

namespace tarnwick {

class SessionBus final : public QObject {
    Q_OBJECT
public:
    using Connector = std::function<QDBusConnection(const QString& connectionName)>;

    static constexpr std::chrono::milliseconds kFirstRetry{500};
    static constexpr std::chrono::milliseconds kLongestRetry{30000};

    /// The process's session bus (QDBusConnection::sessionBus() until it is lost), watched from first use.
    static SessionBus& shared();

    /// Watches `initial`; each reconnection calls `connector` with a fresh connection name (by
    /// default: a new private connection to the session bus).
    explicit SessionBus(QDBusConnection initial, Connector connector = {}, QObject* parent = nullptr);
    ~SessionBus() override;

    /// The connection to use now; after a loss and until the next reconnection, a disconnected one.
    QDBusConnection connection() const { return m_bus; }

Q_SIGNALS:
    /// The connection was lost; reconnection attempts have started.
    void lost();
    /// Connected again: re-register everything on `bus` (also what connection() returns now).
    void reconnected(const QDBusConnection& bus);

private Q_SLOTS:
    void onDisconnected();

private:
    void watch();
    void attempt();

    QDBusConnection m_bus;
    Connector m_connector;
    QString m_ownName;  ///< the connection this object opened last, closed when replaced
    QTimer m_retry;
    std::chrono::milliseconds m_delay = kFirstRetry;
    int m_attempts = 0;  ///< since the loss
    int m_opened = 0;
    bool m_lost = false;
};

} // namespace tarnwick
