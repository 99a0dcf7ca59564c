#include "tarnwick/platform/dbusfocusfilternotifier.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>

namespace tarnwick {

std::optional<std::string> DBusFocusFilterNotifier::post()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        const QString why = bus.lastError().message();
        return why.isEmpty() ? std::string("no session bus") : why.toStdString();
    }
    const QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(focusfiltersignal::kPath),
                                                           QString::fromLatin1(focusfiltersignal::kInterface),
                                                           QString::fromLatin1(focusfiltersignal::kMember));
    if (!bus.send(signal))
        return bus.lastError().message().toStdString();

    // QtDBus sends from its own thread. Messages on one connection stay in order, so once the daemon
    // answers a later call it holds the signal too and our exit can no longer lose it.
    const QDBusMessage ping = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping"));
    const QDBusMessage reply = bus.call(ping, QDBus::Block, 10000);
    if (reply.type() == QDBusMessage::ErrorMessage)
        return reply.errorMessage().toStdString();
    return std::nullopt;
}

} // namespace tarnwick
