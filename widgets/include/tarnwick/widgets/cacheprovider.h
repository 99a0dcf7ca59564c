#pragma once

// Timeline providers: what the host asks for each kind. Every snapshot and timeline reads the
// snapshot file anew; the placeholder never touches it. Providers keep no state.

#include <functional>
#include <vector>

#include <QDateTime>

#include "tarnwick/widgets/widgetcache.h"
#include "tarnwick/widgets/widgetkind.h"

namespace tarnwick {

/// A timeline entry: the time it is for and the snapshot to show.
struct CacheEntry {
    QDateTime date;
    WidgetCache cache;
};

/// One entry, and the time after which the host asks again.
struct Timeline {
    std::vector<CacheEntry> entries;
    QDateTime reloadAfter;
};

/// The configuration of the thread-list kinds ("Choose Threads").
struct WidgetThreadFilterIntent {
    static constexpr std::string_view title = "Choose Threads";
    static constexpr std::string_view unreadOnlyTitle = "Unread only";
    bool unreadOnly = false;
};

/// Fifteen minutes after `now` (calendar arithmetic on minutes); `now` itself when that date cannot
/// be made.
QDateTime widgetRefreshTime(const QDateTime& now);

/// What a provider needs from the outside: the clock, the snapshot and the log.
struct ProviderContext {
    std::function<QDateTime()> now;
    std::function<WidgetCache()> load;
    WidgetLog* log = nullptr;
    /// Identifies the snapshot's version without reading it (WidgetCache::fingerprint); empty: unknown,
    /// every requested reload then reloads.
    std::function<std::string()> fingerprint = {};
};

/// The provider of the kinds without configuration (unread, quick actions).
class CacheProvider {
public:
    explicit CacheProvider(ProviderContext context) : m_context(std::move(context)) {}
    CacheEntry placeholder() const;
    CacheEntry snapshot() const;
    Timeline timeline() const;

private:
    ProviderContext m_context;
};

/// The provider of the thread-list kinds (recents, dashboard); "Unread only" filters the messages.
class ThreadListCacheProvider {
public:
    explicit ThreadListCacheProvider(ProviderContext context) : m_context(std::move(context)) {}
    CacheEntry placeholder() const;
    CacheEntry snapshot(const WidgetThreadFilterIntent& configuration) const;
    Timeline timeline(const WidgetThreadFilterIntent& configuration) const;

private:
    WidgetCache cache(const WidgetThreadFilterIntent& configuration) const;
    ProviderContext m_context;
};

/// The provider of `kind` asked for a snapshot (`timeline` false) or a timeline; the configuration is
/// used by the thread-list kinds only.
Timeline requestTimeline(WidgetKind kind, const ProviderContext& context, const WidgetThreadFilterIntent& configuration);
CacheEntry requestSnapshot(WidgetKind kind, const ProviderContext& context, const WidgetThreadFilterIntent& configuration);

} // namespace tarnwick
