#pragma once

// The structured D-Bus types of the com.canonical.dbusmenu interface, which trays use to show an
// item's menu: the layout tree ((ia{sv}av)), item properties (a(ia{sv})), removed property names
// (a(ias)) and batched events (a(isvu)). Call registerDBusMenuTypes() once before using them.

#include <QDBusArgument>
#include <QDBusVariant>
#include <QList>
#include <QMetaType>
#include <QStringList>
#include <QVariantMap>

namespace tarnwick {

struct DBusMenuLayoutItem {
    int id = 0;
    QVariantMap properties;
    QList<DBusMenuLayoutItem> children;
};

struct DBusMenuItem {
    int id = 0;
    QVariantMap properties;
};
using DBusMenuItemList = QList<DBusMenuItem>;

struct DBusMenuItemKeys {
    int id = 0;
    QStringList properties;
};
using DBusMenuItemKeysList = QList<DBusMenuItemKeys>;

struct DBusMenuEvent {
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};
using DBusMenuEventList = QList<DBusMenuEvent>;

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuLayoutItem& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuLayoutItem& item);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItem& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItem& item);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItemKeys& keys);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItemKeys& keys);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuEvent& event);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuEvent& event);

/// Registers the types with Qt's meta-type and D-Bus systems; safe to call more than once.
void registerDBusMenuTypes();

} // namespace tarnwick

Q_DECLARE_METATYPE(tarnwick::DBusMenuLayoutItem)
Q_DECLARE_METATYPE(tarnwick::DBusMenuItem)
Q_DECLARE_METATYPE(tarnwick::DBusMenuItemKeys)
Q_DECLARE_METATYPE(tarnwick::DBusMenuEvent)
