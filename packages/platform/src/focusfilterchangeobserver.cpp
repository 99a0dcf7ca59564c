#include "tarnwick/platform/focusfilterchangeobserver.h"

#include "focusfilterchangeobserver_p.h"
#include "tarnwick/platform/focusfilternotifier.h"

namespace tarnwick {

FocusFilterChangeObserver::FocusFilterChangeObserver(QObject* parent)
    : FocusFilterChangeObserver(QDBusConnection::sessionBus(), parent)
{
}

FocusFilterChangeObserver::FocusFilterChangeObserver(const QDBusConnection& connection, QObject* parent)
    : QObject(parent)
{
    if (!connection.isConnected())
        return;
    // An empty service name matches the signal from every sender.
    m_proxy = new ComFenmoorlabTarnwickInterface(QString(), QString::fromLatin1(focusfiltersignal::kPath),
                                                 connection, this);
    connect(m_proxy, &ComFenmoorlabTarnwickInterface::focusFilterChanged, this,
            &FocusFilterChangeObserver::changed);
    m_listening = true;
}

FocusFilterChangeObserver::~FocusFilterChangeObserver() = default;

bool FocusFilterChangeObserver::isListening() const
{
    return m_listening;
}

} // namespace tarnwick
