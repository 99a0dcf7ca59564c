#include "traymenuobject_p.h"

#include <QDBusMessage>
#include <QGuiApplication>

#include "tarnwick/rpc/helperlog.h"

namespace tarnwick {

namespace {

// Separators are items of their own; their ids follow the entries' ids.
constexpr int kSeparatorBase = 1000;
constexpr const char* kUnknownIdError = "com.canonical.dbusmenu.Error.UnknownId";

bool wanted(const QStringList& names, const char* name)
{
    return names.isEmpty() || names.contains(QLatin1String(name));
}

} // namespace

TrayMenuObject::TrayMenuObject(std::function<void(TrayMenuCommand)> onCommand)
    : m_onCommand(std::move(onCommand))
{
    registerDBusMenuTypes();
}

void TrayMenuObject::setShowsEntries(bool shows)
{
    if (shows == m_showsEntries)
        return;
    m_showsEntries = shows;
    Q_EMIT LayoutUpdated(++m_revision, 0);
}

QString TrayMenuObject::textDirection() const
{
    return QGuiApplication::layoutDirection() == Qt::RightToLeft ? QStringLiteral("rtl") : QStringLiteral("ltr");
}

bool TrayMenuObject::knows(int id) const
{
    if (id == 0)
        return true;
    if (!m_showsEntries)
        return false;
    if (traymenu::entry(id))
        return true;
    const auto separatorOf = traymenu::entry(id - kSeparatorBase);
    return separatorOf && separatorOf->separatorBefore;
}

QVariantMap TrayMenuObject::properties(int id, const QStringList& names) const
{
    QVariantMap map;
    if (id == 0) {
        if (wanted(names, "children-display"))
            map.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
        return map;
    }
    if (id > kSeparatorBase) {
        if (wanted(names, "type"))
            map.insert(QStringLiteral("type"), QStringLiteral("separator"));
        return map;
    }
    if (const auto entry = traymenu::entry(id); entry && wanted(names, "label"))
        map.insert(QStringLiteral("label"), QString::fromUtf8(entry->label.data(), qsizetype(entry->label.size())));
    return map;
}

DBusMenuLayoutItem TrayMenuObject::layout() const
{
    DBusMenuLayoutItem root{0, properties(0, {}), {}};
    if (!m_showsEntries)
        return root;
    for (const TrayMenuEntry& entry : traymenu::entries()) {
        if (entry.separatorBefore)
            root.children.append({kSeparatorBase + entry.id, properties(kSeparatorBase + entry.id, {}), {}});
        root.children.append({entry.id, properties(entry.id, {}), {}});
    }
    return root;
}

void TrayMenuObject::replyUnknownId(int id)
{
    if (calledFromDBus())
        sendErrorReply(QString::fromLatin1(kUnknownIdError), QStringLiteral("No menu item with id %1").arg(id));
}

uint TrayMenuObject::GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                               DBusMenuLayoutItem& layout)
{
    if (!knows(parentId)) {
        replyUnknownId(parentId);
        return m_revision;
    }
    DBusMenuLayoutItem whole = this->layout();
    if (parentId == 0) {
        layout = whole;
        if (recursionDepth == 0)
            layout.children.clear();
    } else {
        layout = {parentId, {}, {}}; // entries have no submenus
    }
    layout.properties = properties(layout.id, propertyNames);
    for (DBusMenuLayoutItem& child : layout.children)
        child.properties = properties(child.id, propertyNames);
    return m_revision;
}

DBusMenuItemList TrayMenuObject::GetGroupProperties(const QList<int>& ids, const QStringList& propertyNames)
{
    DBusMenuItemList items;
    QList<int> all = ids;
    if (all.isEmpty()) {
        all.append(0);
        for (const DBusMenuLayoutItem& child : layout().children)
            all.append(child.id);
    }
    for (int id : all) {
        if (knows(id))
            items.append({id, properties(id, propertyNames)});
    }
    return items;
}

QDBusVariant TrayMenuObject::GetProperty(int id, const QString& name)
{
    const QVariantMap map = knows(id) ? properties(id, {name}) : QVariantMap{};
    if (!map.contains(name)) {
        if (calledFromDBus())
            sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("Item %1 has no property %2").arg(id).arg(name));
        return QDBusVariant(QVariant(QString()));
    }
    return QDBusVariant(map.value(name));
}

bool TrayMenuObject::dispatch(int id, const QString& eventId)
{
    if (!knows(id))
        return false;
    if (eventId != QLatin1String("clicked"))
        return true; // hovered, opened, closed: nothing to do
    if (const auto entry = traymenu::entry(id); entry && m_onCommand) {
        HelperLog::info("Tray", "Tray menu: " + std::string(entry->label));
        m_onCommand(entry->command);
    }
    return true;
}

void TrayMenuObject::Event(int id, const QString& eventId, const QDBusVariant&, uint)
{
    if (!dispatch(id, eventId))
        replyUnknownId(id);
}

QList<int> TrayMenuObject::EventGroup(const DBusMenuEventList& events)
{
    QList<int> errors;
    for (const DBusMenuEvent& event : events) {
        if (!dispatch(event.id, event.eventId))
            errors.append(event.id);
    }
    return errors;
}

bool TrayMenuObject::AboutToShow(int id)
{
    if (!knows(id))
        replyUnknownId(id);
    return false; // the menu never changes on opening
}

QList<int> TrayMenuObject::AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors)
{
    for (int id : ids) {
        if (!knows(id))
            idErrors.append(id);
    }
    return {};
}

} // namespace tarnwick
