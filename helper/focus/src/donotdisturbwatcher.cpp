#include "tarnwick/helper/donotdisturbwatcher.h"

#include <QDBusConnection>
#include <algorithm>

#include "tarnwick/helper/donotdisturbsource.h"
#include "tarnwick/helper/gsettingsdonotdisturb.h"
#include "tarnwick/helper/notificationserverdonotdisturb.h"

namespace tarnwick {

DoNotDisturbWatcher::DoNotDisturbWatcher(QObject* parent)
    : QObject(parent)
{
}

DoNotDisturbWatcher* DoNotDisturbWatcher::forDesktop(QObject* parent)
{
    auto* watcher = new DoNotDisturbWatcher(parent);
    watcher->addSource(new GSettingsDoNotDisturb);
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        watcher->addSource(NotificationServerDoNotDisturb::inhibited(bus));
        watcher->addSource(NotificationServerDoNotDisturb::dunstPaused(bus));
    }
    return watcher;
}

void DoNotDisturbWatcher::addSource(DoNotDisturbSource* source)
{
    source->setParent(this);
    m_sources.push_back(source);
    connect(source, &DoNotDisturbSource::changed, this, &DoNotDisturbWatcher::update);
    update();
}

void DoNotDisturbWatcher::update()
{
    const bool active = std::any_of(m_sources.begin(), m_sources.end(), [](const DoNotDisturbSource* s) { return s->active(); });
    if (active == m_active)
        return;
    m_active = active;
    Q_EMIT activeChanged(active);
}

} // namespace tarnwick
