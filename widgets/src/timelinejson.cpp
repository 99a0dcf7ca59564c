#include "tarnwick/widgets/timelinejson.h"

namespace tarnwick {
namespace {

Value isoDate(const QDateTime& date)
{
    return Value(date.toUTC().toString(Qt::ISODateWithMs).toStdString());
}

} // namespace

Value timelineToValue(WidgetKind kind, const WidgetThreadFilterIntent& configuration, const Timeline& timeline)
{
    const WidgetKindInfo& info = widgetkind::info(kind);
    Array entries;
    for (const CacheEntry& entry : timeline.entries)
        entries.push_back(Object{{"date", isoDate(entry.date)}, {"cache", entry.cache.toValue()}});
    Object out{{"kind", std::string(info.identifier)},
               {"family", std::string(widgetkind::familyName(info.family))},
               {"entries", std::move(entries)},
               {"reloadAfter", isoDate(timeline.reloadAfter)}};
    if (info.configurable)
        out["configuration"] = Object{{"unreadOnly", configuration.unreadOnly}};
    return out;
}

} // namespace tarnwick
