#include "tarnwick/widgets/cacheprovider.h"

#include "tarnwick/widgets/widgetlog.h"

namespace tarnwick {

QDateTime widgetRefreshTime(const QDateTime& now)
{
    const QDateTime later = now.addSecs(15 * 60);
    return later.isValid() ? later : now;
}

CacheEntry CacheProvider::placeholder() const
{
    return {m_context.now(), WidgetCache::empty()};
}

CacheEntry CacheProvider::snapshot() const
{
    m_context.log->info("getSnapshot requested");
    return {m_context.now(), m_context.load()};
}

Timeline CacheProvider::timeline() const
{
    m_context.log->info("getTimeline requested");
    const QDateTime now = m_context.now();
    Timeline t;
    t.entries.push_back({now, m_context.load()});
    t.reloadAfter = widgetRefreshTime(now);
    return t;
}

CacheEntry ThreadListCacheProvider::placeholder() const
{
    return {m_context.now(), WidgetCache::empty()};
}

WidgetCache ThreadListCacheProvider::cache(const WidgetThreadFilterIntent& configuration) const
{
    WidgetCache cache = m_context.load();
    return configuration.unreadOnly ? cache.onlyUnread() : cache;
}

CacheEntry ThreadListCacheProvider::snapshot(const WidgetThreadFilterIntent& configuration) const
{
    m_context.log->info("snapshot requested");
    return {m_context.now(), cache(configuration)};
}

Timeline ThreadListCacheProvider::timeline(const WidgetThreadFilterIntent& configuration) const
{
    m_context.log->info("timeline requested");
    const QDateTime now = m_context.now();
    Timeline t;
    t.entries.push_back({now, cache(configuration)});
    t.reloadAfter = widgetRefreshTime(now);
    return t;
}

Timeline requestTimeline(WidgetKind kind, const ProviderContext& context, const WidgetThreadFilterIntent& configuration)
{
    if (widgetkind::info(kind).configurable)
        return ThreadListCacheProvider(context).timeline(configuration);
    return CacheProvider(context).timeline();
}

CacheEntry requestSnapshot(WidgetKind kind, const ProviderContext& context, const WidgetThreadFilterIntent& configuration)
{
    if (widgetkind::info(kind).configurable)
        return ThreadListCacheProvider(context).snapshot(configuration);
    return CacheProvider(context).snapshot();
}

} // namespace tarnwick
