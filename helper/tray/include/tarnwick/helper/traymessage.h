#pragma once

#include <QLocale>
#include <QTimeZone>
#include <optional>
#include <string>

#include "tarnwick/mail/mailcategory.h"
#include "tarnwick/rpc/value.h"

namespace tarnwick {

/// One recent message of an account, read leniently from one "tray.messages" element.
struct TrayMessage {
    std::string id;           ///< a fresh upper-case UUID when the main application sent none
    std::string threadId;
    std::string from;         ///< the raw sender header
    std::string subject = "(no subject)";
    std::string snippet;
    std::string internalDate; ///< milliseconds since 1970 as text
    bool isUnread = false;    ///< "labelIds" holds "UNREAD"
    MailCategory category = MailCategory::primary;

    static TrayMessage fromParams(const Object& object);

    /// `internalDate` as a number; 0 when the text is not wholly a number (or is NaN).
    double sortKey() const;
    /// The display name out of the sender header, or the header itself when it has none.
    std::string senderName() const;
    /// "HH:mm" when the message is from the day of `now` in `zone`, else "d MMM" in `locale`; empty
    /// when `internalDate` is not a usable number.
    std::string formattedTime(double now, const QTimeZone& zone, const QLocale& locale) const;
    /// The same in the user's time zone and locale.
    std::string formattedTime(double now) const;

    TrayMessage markedRead() const;
    TrayMessage markedUnread() const;

    friend bool operator==(const TrayMessage&, const TrayMessage&) = default;
};

namespace traymessage {
/// Reads `text` as a decimal floating-point number only when the whole text is one (no surrounding
/// white space). NaN counts as no number: it would break every ordering it took part in.
std::optional<double> parseNumber(const std::string& text);
} // namespace traymessage

} // namespace tarnwick
