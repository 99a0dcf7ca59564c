#pragma once

// A notification server's own Do Not Disturb, read as a boolean D-Bus property on
// /org/freedesktop/Notifications: "Inhibited" of org.freedesktop.Notifications (KDE Plasma), or
// "paused" of org.dunstproject.cmd0 (dunst). The value is fetched when the server appears and
// followed through PropertiesChanged; a server without the property, or no server, counts as off.
// Never blocks: every call is asynchronous.

#include <QString>
#include <memory>

#include "tarnwick/helper/donotdisturbsource.h"

class QDBusConnection;
class QDBusServiceWatcher;
class OrgFreedesktopDBusPropertiesInterface;

namespace tarnwick {

class NotificationServerDoNotDisturb final : public DoNotDisturbSource {
    Q_OBJECT
public:
    static constexpr const char* kService = "org.freedesktop.Notifications";
    static constexpr const char* kPath = "/org/freedesktop/Notifications";

    /// The freedesktop "Inhibited" property (KDE Plasma and others).
    static NotificationServerDoNotDisturb* inhibited(const QDBusConnection& bus, QObject* parent = nullptr);
    /// dunst's "paused" property.
    static NotificationServerDoNotDisturb* dunstPaused(const QDBusConnection& bus, QObject* parent = nullptr);

    NotificationServerDoNotDisturb(const QDBusConnection& bus, QString interface, QString property,
                                   QObject* parent = nullptr);
    ~NotificationServerDoNotDisturb() override;

    bool active() const override { return m_active; }

private:
    void fetch();
    void set(bool active);

    QString m_interface;
    QString m_property;
    std::unique_ptr<OrgFreedesktopDBusPropertiesInterface> m_properties;
    QDBusServiceWatcher* m_watcher = nullptr;
    bool m_active = false;
    bool m_fetching = false;
    bool m_fetchAgain = false;
};

} // namespace tarnwick
