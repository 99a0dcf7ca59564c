#pragma once

#include <optional>
#include <string>

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QTimeZone>

namespace tarnwick {

/// One of the latest messages of the widget snapshot, in the order written.
struct CachedMessage {
    std::string id;
    std::string threadId;
    std::string accountId;
    std::string sender;
    std::string subject;
    std::string snippet;
    double date = 0; ///< milliseconds since 1970-01-01 UTC
    std::optional<std::string> category;
    std::optional<bool> unread;

    /// Unread is true or absent.
    bool isUnread() const { return unread.value_or(true); }

    /// Empty for a date not after 1970; "HH:mm" when it falls on today's date in `zone`, otherwise
    /// "d MMM" with the abbreviated month of `locale`.
    QString displayDate(const QDateTime& now, const QTimeZone& zone, const QLocale& locale) const;
    /// displayDate with the current time, the system time zone and the current locale.
    QString displayDate() const;

    friend bool operator==(const CachedMessage&, const CachedMessage&) = default;
};

} // namespace tarnwick
