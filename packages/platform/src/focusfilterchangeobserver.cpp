#include "tarnwick/platform/focusfilterchangeobserver.h"

#include "focusfilterchangeobserver_p.h"
#include "tarnwick/platform/burstcoalescer.h"
#include "tarnwick/platform/focusfilternotifier.h"
#include "tarnwick/platform/sessionbus.h"

namespace tarnwick {

FocusFilterChangeObserver::FocusFilterChangeObserver(QObject* parent)
    : FocusFilterChangeObserver(SessionBus::shared().connection(), parent)
{
    connect(&SessionBus::shared(), &SessionBus::reconnected, this, [this](const QDBusConnection& bus) {
        listenOn(bus);
        if (m_listening)
            m_burst->poke();
    });
}

FocusFilterChangeObserver::FocusFilterChangeObserver(const QDBusConnection& connection, QObject* parent)
    : QObject(parent)
    , m_burst(new BurstCoalescer(this))
{
    connect(m_burst, &BurstCoalescer::settled, this, &FocusFilterChangeObserver::changed);
    listenOn(connection);
}

FocusFilterChangeObserver::~FocusFilterChangeObserver() = default;

void FocusFilterChangeObserver::listenOn(const QDBusConnection& connection)
{
    delete m_proxy;
    m_proxy = nullptr;
    m_listening = connection.isConnected();
    if (!m_listening)
        return;
    // An empty service name matches the signal from every sender.
    m_proxy = new ComFenmoorlabTarnwickInterface(QString(), QString::fromLatin1(focusfiltersignal::kPath),
                                                 connection, this);
    connect(m_proxy, &ComFenmoorlabTarnwickInterface::focusFilterChanged, m_burst, &BurstCoalescer::poke);
}

bool FocusFilterChangeObserver::isListening() const
{
    return m_listening;
}

} // namespace tarnwick
