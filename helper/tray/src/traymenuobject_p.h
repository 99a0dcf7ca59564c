#pragma once

// The tray item's menu on the bus (com.canonical.dbusmenu at /MenuBar), through the generated
// adaptor: a flat list of the tray menu's entries, or an empty menu for hosts where any entry would
// take the left click away from the popover. A click on an entry reaches `onCommand`.

#include <QDBusContext>
#include <QDBusVariant>
#include <QObject>
#include <functional>

#include "tarnwick/helper/dbusmenutypes.h"
#include "tarnwick/helper/traymenu.h"

namespace tarnwick {

class TrayMenuObject : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString TextDirection READ textDirection)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath)

public:
    static constexpr const char* kPath = "/MenuBar";

    explicit TrayMenuObject(std::function<void(TrayMenuCommand)> onCommand);

    /// Whether the menu shows its entries (false: an empty menu).
    void setShowsEntries(bool shows);
    bool showsEntries() const { return m_showsEntries; }

    uint version() const { return 3; }
    QString textDirection() const;
    QString status() const { return QStringLiteral("normal"); }
    QStringList iconThemePath() const { return {}; }

    /// The whole tree as GetLayout(0, -1, []) gives it.
    DBusMenuLayoutItem layout() const;

public Q_SLOTS: // the bus interface
    uint GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames, DBusMenuLayoutItem& layout);
    DBusMenuItemList GetGroupProperties(const QList<int>& ids, const QStringList& propertyNames);
    QDBusVariant GetProperty(int id, const QString& name);
    void Event(int id, const QString& eventId, const QDBusVariant& data, uint timestamp);
    QList<int> EventGroup(const DBusMenuEventList& events);
    bool AboutToShow(int id);
    QList<int> AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors);

Q_SIGNALS:
    void ItemsPropertiesUpdated(const DBusMenuItemList& updatedProps, const DBusMenuItemKeysList& removedProps);
    void LayoutUpdated(uint revision, int parent);
    void ItemActivationRequested(int id, uint timestamp);

private:
    bool knows(int id) const;
    QVariantMap properties(int id, const QStringList& names) const;
    bool dispatch(int id, const QString& eventId);
    void replyUnknownId(int id);

    std::function<void(TrayMenuCommand)> m_onCommand;
    bool m_showsEntries = true;
    uint m_revision = 1;
};

} // namespace tarnwick
