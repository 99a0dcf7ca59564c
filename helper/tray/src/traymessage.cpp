#include "tarnwick/helper/traymessage.h"

#include <QDateTime>
#include <QUuid>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "tarnwick/rpc/params.h"

namespace tarnwick {

namespace traymessage {

std::optional<double> parseNumber(const std::string& text)
{
    if (text.empty() || std::isspace(static_cast<unsigned char>(text.front())))
        return std::nullopt;
    // strtod stops at an embedded NUL; such text is not wholly a number.
    if (text.find('\0') != std::string::npos)
        return std::nullopt;
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(begin, &end);
    if (end != begin + text.size() || std::isnan(value))
        return std::nullopt;
    return value;
}

} // namespace traymessage

TrayMessage TrayMessage::fromParams(const Object& object)
{
    TrayMessage message;
    if (const std::string* s = params::string(object, "id"))
        message.id = *s;
    else
        message.id = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().toStdString();
    if (const std::string* s = params::string(object, "threadId"))
        message.threadId = *s;
    if (const std::string* s = params::string(object, "from"))
        message.from = *s;
    if (const std::string* s = params::string(object, "subject"))
        message.subject = *s;
    if (const std::string* s = params::string(object, "snippet"))
        message.snippet = *s;
    if (const std::string* s = params::string(object, "internalDate"))
        message.internalDate = *s;
    if (auto labels = params::stringList(object, "labelIds")) {
        for (const std::string& label : *labels) {
            if (label == "UNREAD") {
                message.isUnread = true;
                break;
            }
        }
    }
    message.category = mailcategory::from(params::string(object, "category"));
    return message;
}

double TrayMessage::sortKey() const
{
    return traymessage::parseNumber(internalDate).value_or(0.0);
}

std::string TrayMessage::senderName() const
{
    // The header matches when it starts with a display name (optionally in double quotes) directly
    // followed, after optional white space, by "<". Matched by hand rather than with std::regex, whose
    // recursive matcher can exhaust the stack on a long header.
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; };
    const std::size_t start = (!from.empty() && from.front() == '"') ? 1 : 0;
    std::size_t nameEnd = start;
    while (nameEnd < from.size() && from[nameEnd] != '"' && from[nameEnd] != '<')
        ++nameEnd;
    std::optional<std::size_t> matchEnd; // one past the "<"
    if (nameEnd > start && nameEnd < from.size()) {
        if (from[nameEnd] == '<') {
            matchEnd = nameEnd + 1;
        } else {
            std::size_t i = nameEnd + 1;
            while (i < from.size() && isSpace(from[i]))
                ++i;
            if (i < from.size() && from[i] == '<')
                matchEnd = i + 1;
        }
    }

    std::string name;
    if (matchEnd) {
        for (std::size_t i = 0; i < *matchEnd; ++i) {
            if (from[i] != '"' && from[i] != '<')
                name.push_back(from[i]);
        }
    } else {
        name = from;
    }
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    std::size_t first = 0;
    while (first < name.size() && isBlank(name[first]))
        ++first;
    std::size_t last = name.size();
    while (last > first && isBlank(name[last - 1]))
        --last;
    return name.substr(first, last - first);
}

std::string TrayMessage::formattedTime(double now, const QTimeZone& zone, const QLocale& locale) const
{
    const auto millis = traymessage::parseNumber(internalDate);
    // Beyond what a 64-bit millisecond count holds there is no date to show.
    if (!millis || !std::isfinite(*millis) || std::fabs(*millis) >= 9.0e18 || !std::isfinite(now) ||
        std::fabs(now) >= 9.0e15)
        return {};
    const QDateTime when = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::floor(*millis)), zone);
    const QDateTime today = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::floor(now * 1000.0)), zone);
    if (!when.isValid() || !today.isValid())
        return {};
    if (when.date() == today.date())
        return locale.toString(when.time(), QStringLiteral("HH:mm")).toStdString();
    return locale.toString(when.date(), QStringLiteral("d MMM")).toStdString();
}

std::string TrayMessage::formattedTime(double now) const
{
    return formattedTime(now, QTimeZone::systemTimeZone(), QLocale());
}

TrayMessage TrayMessage::markedRead() const
{
    TrayMessage copy = *this;
    copy.isUnread = false;
    return copy;
}

TrayMessage TrayMessage::markedUnread() const
{
    TrayMessage copy = *this;
    copy.isUnread = true;
    return copy;
}

} // namespace tarnwick
