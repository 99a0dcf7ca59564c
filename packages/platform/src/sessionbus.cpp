#include "tarnwick/platform/sessionbus.h"

#include <QDBusError>
#include <gio/gio.h>
#include <algorithm>

#include "tarnwick/rpc/helperlog.h"

namespace tarnwick {

namespace {
constexpr std::string_view kCategory = "Bus";

QDBusConnection openSessionBus(const QString& name)
{
    return QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
}
} // namespace

SessionBus& SessionBus::shared()
{
    static auto* instance = [] {
        // GIO's shared connection (GSettings through dconf uses it) ends the whole process with
        // SIGTERM when the bus goes away; this process outlives its bus and connects again. The
        // reference is kept, so that this stays the shared connection dconf gets.
        if (GDBusConnection* gio = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr))
            g_dbus_connection_set_exit_on_close(gio, FALSE);
        return new SessionBus(QDBusConnection::sessionBus());
    }();
    return *instance;
}

SessionBus::SessionBus(QDBusConnection initial, Connector connector, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(initial))
    , m_connector(connector ? std::move(connector) : Connector(openSessionBus))
{
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &SessionBus::attempt);
    watch();
}

SessionBus::~SessionBus()
{
    if (!m_ownName.isEmpty())
        QDBusConnection::disconnectFromBus(m_ownName);
}

void SessionBus::watch()
{
    // libdbus delivers this to the connection itself when the socket closes; it never crosses the bus.
    if (m_bus.isConnected())
        m_bus.connect(QString(), QStringLiteral("/org/freedesktop/DBus/Local"), QStringLiteral("org.freedesktop.DBus.Local"),
                      QStringLiteral("Disconnected"), this, SLOT(onDisconnected()));
}

void SessionBus::onDisconnected()
{
    if (m_lost)
        return;
    m_lost = true;
    m_attempts = 0;
    m_delay = kFirstRetry;
    HelperLog::error(kCategory, "Lost the connection to the session bus: the tray item, banners and desktop "
                                "signals are gone until it is back; reconnecting");
    Q_EMIT lost();
    m_retry.start(m_delay);
}

void SessionBus::attempt()
{
    ++m_attempts;
    // Names are never reused: QtDBus hands back the old (dead) connection for a name it still knows.
    const QString name = QStringLiteral("tarnwick-session-bus-%1").arg(++m_opened);
    QDBusConnection bus = m_connector(name);
    if (!bus.isConnected()) {
        QDBusConnection::disconnectFromBus(name);
        m_delay = std::min(m_delay * 2, kLongestRetry);
        m_retry.start(m_delay);
        return;
    }
    const QString previous = std::exchange(m_ownName, name);
    m_bus = bus;
    m_lost = false;
    watch();
    HelperLog::info(kCategory, "Connected to the session bus again after " + std::to_string(m_attempts) +
                                   " attempt(s); publishing the tray item and watches again");
    Q_EMIT reconnected(m_bus);
    if (!previous.isEmpty())
        QDBusConnection::disconnectFromBus(previous);
}

} // namespace tarnwick
