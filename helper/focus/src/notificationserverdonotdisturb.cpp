#include "tarnwick/helper/notificationserverdonotdisturb.h"

#include <QDBusConnection>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <utility>

#include "dbuspropertiesproxy.h"

namespace tarnwick {

NotificationServerDoNotDisturb* NotificationServerDoNotDisturb::inhibited(const QDBusConnection& bus, QObject* parent)
{
    return new NotificationServerDoNotDisturb(bus, QStringLiteral("org.freedesktop.Notifications"),
                                              QStringLiteral("Inhibited"), parent);
}

NotificationServerDoNotDisturb* NotificationServerDoNotDisturb::dunstPaused(const QDBusConnection& bus, QObject* parent)
{
    return new NotificationServerDoNotDisturb(bus, QStringLiteral("org.dunstproject.cmd0"), QStringLiteral("paused"),
                                              parent);
}

NotificationServerDoNotDisturb::NotificationServerDoNotDisturb(const QDBusConnection& bus, QString interface,
                                                               QString property, QObject* parent)
    : DoNotDisturbSource(parent)
    , m_interface(std::move(interface))
    , m_property(std::move(property))
    , m_properties(std::make_unique<OrgFreedesktopDBusPropertiesInterface>(QString::fromLatin1(kService),
                                                                           QString::fromLatin1(kPath), bus))
{
    connect(m_properties.get(), &OrgFreedesktopDBusPropertiesInterface::PropertiesChanged, this,
            [this](const QString& interfaceName, const QVariantMap& changed, const QStringList& invalidated) {
                if (interfaceName != m_interface)
                    return;
                if (const auto it = changed.find(m_property); it != changed.end())
                    set(it->toBool());
                else if (invalidated.contains(m_property))
                    fetch();
            });
    // A server that starts (or restarts) later brings its own state; one that goes away takes it along.
    m_watcher = new QDBusServiceWatcher(QString::fromLatin1(kService), bus,
                                        QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) {
                if (newOwner.isEmpty())
                    set(false);
                else
                    fetch();
            });
    fetch();
}

NotificationServerDoNotDisturb::~NotificationServerDoNotDisturb() = default;

void NotificationServerDoNotDisturb::fetch()
{
    // Invalidations can come in a flood: while a read is on its way, one more after it will do.
    if (m_fetching) {
        m_fetchAgain = true;
        return;
    }
    m_fetching = true;
    auto* call = new QDBusPendingCallWatcher(m_properties->Get(m_interface, m_property), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        m_fetching = false;
        const QDBusPendingReply<QDBusVariant> reply = *finished;
        // No server, or one without this property (most servers have neither): off.
        set(!reply.isError() && reply.value().variant().toBool());
        if (std::exchange(m_fetchAgain, false))
            fetch();
    });
}

void NotificationServerDoNotDisturb::set(bool active)
{
    if (active == m_active)
        return;
    m_active = active;
    Q_EMIT changed();
}

} // namespace tarnwick
