#pragma once

// A desktop notification server for tests: it owns org.freedesktop.Notifications on the session
// bus (the private bus the test runs in) through a connection of its own, records every call, and
// plays the user's clicks and dismissals as ActionInvoked / NotificationClosed signals.
//
// Tests that start one must run under the CTest resource lock "session-bus-names".

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QStringList>
#include <QVariantMap>
#include <chrono>
#include <functional>
#include <optional>
#include <set>
#include <vector>

namespace tarnwick::testing {

class TestNotificationServer : public QObject, protected QDBusContext {
    Q_OBJECT
public:
    struct NotifyCall {
        QString appName;
        uint replacesId = 0;
        QString appIcon;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
        int expireTimeout = 0;
        uint id = 0;  ///< what the server answered (0 when it answered an error)
    };

    explicit TestNotificationServer(QStringList capabilities = {QStringLiteral("actions"), QStringLiteral("body"),
                                                                QStringLiteral("body-markup"), QStringLiteral("sound")});
    ~TestNotificationServer() override;

    /// Takes the well-known name on the session bus, or on the bus at `address`; false when it could
    /// not (another owner, no bus).
    bool start(const QString& address = {});
    /// Gives the name up and drops the connection.
    void stop();

    /// Answers the next calls of that method with this D-Bus error instead.
    void failGetCapabilities(QString errorName, QString message) { m_capabilitiesError = {errorName, message}; }
    void failNotify(QString errorName, QString message) { m_notifyError = {errorName, message}; }
    /// The next notification is acted on (then closed as dismissed) before Notify even answers,
    /// so its signals reach the client ahead of the id.
    void actBeforeAnswering(QString actionKey) { m_earlyAction = std::move(actionKey); }

    const std::vector<NotifyCall>& notifyCalls() const { return m_notifyCalls; }
    const std::vector<uint>& closeCalls() const { return m_closeCalls; }
    int capabilitiesCalls() const { return m_capabilitiesCalls; }
    /// Ids of the notifications the server shows now.
    const std::set<uint>& open() const { return m_open; }

    /// The user chose an action (the "default" key for a click on the notification itself). Like
    /// most servers it then closes the notification as dismissed.
    void invokeAction(uint id, const QString& actionKey, bool thenClose = true);
    /// The notification went away for `reason` (1 expired, 2 dismissed by the user, 3 closed by a call).
    void closeNotification(uint id, uint reason);

    /// Returns once everything this server sent so far has left for the bus (a call to itself through
    /// the session bus has come back). Use it before blocking on another process that waits for a signal.
    bool flush();

    /// Runs the event loop until `condition` holds; false when `timeout` passed first.
    static bool waitUntil(const std::function<bool()>& condition,
                          std::chrono::milliseconds timeout = std::chrono::seconds(10));

public Q_SLOTS: // the bus interface, called through the generated adaptor
    QStringList GetCapabilities();
    uint Notify(const QString& app_name, uint replaces_id, const QString& app_icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int expire_timeout);
    void CloseNotification(uint id);
    QString GetServerInformation(QString& vendor, QString& version, QString& spec_version);

Q_SIGNALS:
    void ActionInvoked(uint id, const QString& action_key);
    void NotificationClosed(uint id, uint reason);
    void ActivationToken(uint id, const QString& activation_token);

private:
    struct Failure {
        QString name, message;
    };

    QString m_connectionName;
    std::optional<QDBusConnection> m_bus;
    QStringList m_capabilities;
    std::optional<Failure> m_capabilitiesError, m_notifyError;
    std::optional<QString> m_earlyAction;
    std::vector<NotifyCall> m_notifyCalls;
    std::vector<uint> m_closeCalls;
    int m_capabilitiesCalls = 0;
    std::set<uint> m_open;
    uint m_nextId = 1;
};

} // namespace tarnwick::testing
