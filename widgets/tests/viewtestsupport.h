#pragma once

// Shared by the view tests: a fixed environment, snapshots to show, and tree inspection helpers.

#include <QStringList>
#include <QWidget>

#include "tarnwick/widgets/views/linkarea.h"
#include "tarnwick/widgets/views/textview.h"
#include "tarnwick/widgets/views/widgetenvironment.h"
#include "tarnwick/widgets/widgetcache.h"

namespace tarnwick::testing {

/// 10 March 2026, 15:00 in Berlin, British English, a known accent.
inline WidgetEnvironment fixedEnvironment()
{
    WidgetEnvironment env = WidgetEnvironment::current();
    env.timeZone = QTimeZone("Europe/Berlin");
    env.now = QDateTime(QDate(2026, 3, 10), QTime(15, 0), env.timeZone);
    env.locale = QLocale(QLocale::English, QLocale::UnitedKingdom);
    env.accent = QColor(10, 132, 255);
    return env;
}

inline double at(const WidgetEnvironment& env, int day, int hour, int minute)
{
    return double(QDateTime(QDate(2026, 3, day), QTime(hour, minute), env.timeZone).toMSecsSinceEpoch());
}

inline CachedAccount account(int i, std::int64_t unread = 1)
{
    static const char* const colours[] = {"#2563EB", "#C05A4E", "#16A34A", "#D97706", "#7C3AED", "#DB2777"};
    static const char* const names[] = {"Work", "Personal", "Studio Lumen", "Rowing Club", "Archive", "Family"};
    return {"acc" + std::to_string(i), names[i % 6], colours[i % 6], "user" + std::to_string(i) + "@example.com",
            unread};
}

inline CachedMessage message(int i, const std::string& accountId, std::optional<bool> unread = std::nullopt)
{
    CachedMessage m;
    m.id = "m" + std::to_string(i);
    m.threadId = "t" + std::to_string(i);
    m.accountId = accountId;
    m.sender = "Sender " + std::to_string(i);
    m.subject = "Subject " + std::to_string(i);
    m.snippet = "";
    m.date = double(QDateTime(QDate(2026, 3, 10), QTime(9, i % 60), QTimeZone("Europe/Berlin")).toMSecsSinceEpoch());
    m.unread = unread;
    return m;
}

/// `accounts` accounts and `messages` messages spread over them.
inline WidgetCache snapshot(int accounts, int messages, std::int64_t totalUnread = 7)
{
    WidgetCache c;
    c.totalUnread = totalUnread;
    for (int i = 0; i < accounts; ++i)
        c.accounts.push_back(account(i, i + 1));
    for (int i = 0; i < messages; ++i)
        c.messages.push_back(message(i, accounts ? c.accounts[i % accounts].id : "none"));
    return c;
}

template <typename T>
std::vector<T*> shown(QWidget* root)
{
    std::vector<T*> out;
    for (T* w : root->findChildren<T*>())
        if (w->isVisibleTo(root))
            out.push_back(w);
    return out;
}

inline QStringList texts(QWidget* root)
{
    QStringList out;
    for (TextView* t : shown<TextView>(root))
        out << t->text();
    return out;
}

inline QStringList links(QWidget* root)
{
    QStringList out;
    for (LinkArea* a : shown<LinkArea>(root))
        out << a->link().value_or(QStringLiteral("<no link>"));
    return out;
}

} // namespace tarnwick::testing
