#include "tarnwick/widgets/reloadlistener.h"

#include "tarnwick/platform/burstcoalescer.h"
#include "tarnwick_widgets_interface.h"

namespace tarnwick {

ReloadListener::ReloadListener(QObject* parent) : ReloadListener(QDBusConnection::sessionBus(), parent) {}

ReloadListener::ReloadListener(const QDBusConnection& connection, QObject* parent) : QObject(parent)
{
    if (!connection.isConnected())
        return;
    // An empty service name matches the broadcast from every sender.
    m_proxy = new ComFenmoorlabTarnwickWidgetsInterface(QString(), QString::fromLatin1(reloadsignal::kPath),
                                                        connection, this);
    // Any program may broadcast it as often as it likes: a burst asks for one reload.
    auto* burst = new BurstCoalescer(this);
    connect(m_proxy, &ComFenmoorlabTarnwickWidgetsInterface::reloadAllTimelines, burst, &BurstCoalescer::poke);
    connect(burst, &BurstCoalescer::settled, this, &ReloadListener::reloadRequested);
    m_listening = true;
}

ReloadListener::~ReloadListener() = default;

} // namespace tarnwick
