#include "testnotificationserver.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <atomic>

#include "testnotificationserveradaptor.h"
#include "tarnwick/testing/eventwait.h"

namespace tarnwick::testing {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

} // namespace

TestNotificationServer::TestNotificationServer(QStringList capabilities)
    : m_capabilities(std::move(capabilities))
{
    static std::atomic<int> counter{0};
    m_connectionName = QStringLiteral("tarnwick-test-notification-server-%1").arg(++counter);
    new NotificationsAdaptor(this); // owned by this object; relays our signals onto the bus
}

TestNotificationServer::~TestNotificationServer()
{
    stop();
}

bool TestNotificationServer::start(const QString& address)
{
    if (!m_bus)
        m_bus = address.isEmpty() ? QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connectionName)
                                  : QDBusConnection::connectToBus(address, m_connectionName);
    if (!m_bus->isConnected())
        return false;
    return m_bus->registerObject(kPath, this) && m_bus->registerService(kService);
}

void TestNotificationServer::stop()
{
    if (!m_bus)
        return;
    m_bus->unregisterService(kService);
    m_bus->unregisterObject(kPath);
    m_bus.reset();
    QDBusConnection::disconnectFromBus(m_connectionName);
}

QStringList TestNotificationServer::GetCapabilities()
{
    ++m_capabilitiesCalls;
    if (m_capabilitiesError) {
        sendErrorReply(m_capabilitiesError->name, m_capabilitiesError->message);
        return {};
    }
    return m_capabilities;
}

uint TestNotificationServer::Notify(const QString& app_name, uint replaces_id, const QString& app_icon,
                                    const QString& summary, const QString& body, const QStringList& actions,
                                    const QVariantMap& hints, int expire_timeout)
{
    NotifyCall call{app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout, 0};
    if (m_notifyError) {
        m_notifyCalls.push_back(call);
        sendErrorReply(m_notifyError->name, m_notifyError->message);
        return 0;
    }
    call.id = replaces_id != 0 && m_open.contains(replaces_id) ? replaces_id : m_nextId++;
    m_open.insert(call.id);
    m_notifyCalls.push_back(call);
    if (auto early = std::exchange(m_earlyAction, std::nullopt))
        invokeAction(call.id, *early);
    return call.id;
}

void TestNotificationServer::CloseNotification(uint id)
{
    m_closeCalls.push_back(id);
    if (m_open.erase(id))
        Q_EMIT NotificationClosed(id, 3);
}

QString TestNotificationServer::GetServerInformation(QString& vendor, QString& version, QString& spec_version)
{
    vendor = QStringLiteral("Tarnwick tests");
    version = QStringLiteral("1");
    spec_version = QStringLiteral("1.2");
    return QStringLiteral("test-notification-server");
}

void TestNotificationServer::invokeAction(uint id, const QString& actionKey, bool thenClose)
{
    Q_EMIT ActionInvoked(id, actionKey);
    if (thenClose)
        closeNotification(id, 2);
}

void TestNotificationServer::closeNotification(uint id, uint reason)
{
    m_open.erase(id);
    Q_EMIT NotificationClosed(id, reason);
}

bool TestNotificationServer::flush()
{
    // Our own messages go out in order; the answer to a call made after them means they went first.
    // Through the bus the server is on (the session bus, or the address it was started on).
    const QDBusConnection bus = m_bus ? *m_bus : QDBusConnection::sessionBus();
    QDBusPendingCallWatcher roundTrip(bus.asyncCall(QDBusMessage::createMethodCall(
        kService, kPath, QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("GetServerInformation"))));
    return waitUntil([&] { return roundTrip.isFinished(); }) && !roundTrip.isError();
}

bool TestNotificationServer::waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    return tarnwick::testing::waitUntil(condition, timeout);
}

} // namespace tarnwick::testing
