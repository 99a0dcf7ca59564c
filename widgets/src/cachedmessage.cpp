#include "tarnwick/widgets/cachedmessage.h"

namespace tarnwick {

QString CachedMessage::displayDate(const QDateTime& now, const QTimeZone& zone, const QLocale& locale) const
{
    // Beyond QDateTime's range a date has no calendar day to show; such a value is no time at all.
    constexpr double kLimitMs = 8.64e18;
    if (!(date > 0) || !(date < kLimitMs))
        return {};
    const QDateTime when = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(date), zone);
    if (!when.isValid())
        return {};
    if (when.date() == now.toTimeZone(zone).date())
        return when.toString(QStringLiteral("HH:mm"));
    return locale.toString(when.date(), QStringLiteral("d MMM"));
}

QString CachedMessage::displayDate() const
{
    return displayDate(QDateTime::currentDateTime(), QTimeZone::systemTimeZone(), QLocale());
}

} // namespace tarnwick
