#include "tarnwick/native/widgetreloader.h"

#include <QDBusConnection>
#include <QDBusMessage>

#include "toolbarlog_p.h"

namespace tarnwick::native {

bool WidgetReloader::reloadAllTimelines()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        toolbarLog("widget reload not sent: no session bus");
        return false;
    }
    const QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kPath), QString::fromLatin1(kInterface),
                                                           QString::fromLatin1(kMember));
    if (!bus.send(signal)) {
        toolbarLog("widget reload not sent: the bus refused the signal");
        return false;
    }
    return true;
}

} // namespace tarnwick::native
