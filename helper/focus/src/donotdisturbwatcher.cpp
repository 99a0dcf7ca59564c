#include "tarnwick/helper/donotdisturbwatcher.h"

#include <QDBusConnection>
#include <algorithm>
#include <memory>

#include "tarnwick/helper/donotdisturbsource.h"
#include "tarnwick/helper/gsettingsdonotdisturb.h"
#include "tarnwick/helper/notificationserverdonotdisturb.h"
#include "tarnwick/platform/sessionbus.h"

namespace tarnwick {

DoNotDisturbWatcher::DoNotDisturbWatcher(QObject* parent)
    : QObject(parent)
{
}

DoNotDisturbWatcher* DoNotDisturbWatcher::forDesktop(QObject* parent)
{
    auto* watcher = new DoNotDisturbWatcher(parent);
    watcher->addSource(new GSettingsDoNotDisturb);
    // The notification servers' sources live on the bus connection: a new connection gets new ones.
    auto busSources = std::make_shared<std::vector<DoNotDisturbSource*>>();
    auto watchBus = [watcher, busSources](const QDBusConnection& bus) {
        for (DoNotDisturbSource* old : *busSources)
            watcher->removeSource(old);
        busSources->clear();
        if (!bus.isConnected())
            return;
        for (auto* source : {NotificationServerDoNotDisturb::inhibited(bus), NotificationServerDoNotDisturb::dunstPaused(bus)}) {
            busSources->push_back(source);
            watcher->addSource(source);
        }
    };
    SessionBus& session = SessionBus::shared();
    watchBus(session.connection());
    connect(&session, &SessionBus::reconnected, watcher, watchBus);
    return watcher;
}

void DoNotDisturbWatcher::removeSource(DoNotDisturbSource* source)
{
    std::erase(m_sources, source);
    delete source;
    update();
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
