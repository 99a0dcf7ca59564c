#pragma once

// A desktop tray for tests: owns org.kde.StatusNotifierWatcher on the session bus through a
// connection of its own, records the items that register, and reads and clicks them over the bus.
// Tests that start one run under the CTest resource lock "session-bus-names".

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QStringList>
#include <QVariant>
#include <chrono>
#include <functional>

#include "tarnwick/helper/statusnotifiertypes.h"

namespace tarnwick::testing {

class TestStatusNotifierWatcher : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredItems)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
public:
    /// On the session bus, or on the bus at `address`.
    explicit TestStatusNotifierWatcher(const QString& address = {});
    ~TestStatusNotifierWatcher() override;

    /// Takes the well-known name; false when it could not.
    bool start();
    void stop();

    QStringList registeredItems() const { return m_items; }
    bool isHostRegistered() const { return m_hostRegistered; }
    /// A watcher without a host (a tray daemon whose panel is not up) draws no item; registering one
    /// announces StatusNotifierHostRegistered.
    void setHostRegistered(bool registered);
    int protocolVersion() const { return 0; }
    /// The unique bus name of the last caller of RegisterStatusNotifierItem.
    const QString& lastRegistrant() const { return m_lastRegistrant; }
    /// How many times RegisterStatusNotifierItem was called.
    int registrations() const { return m_registrations; }
    /// Takes an entry off the list, with or without the StatusNotifierItemUnregistered signal (a
    /// host that loses an item silently).
    void dropItem(const QString& entry, bool tell);
    /// From now on accepts registrations without listing the items.
    void setForgetsItems(bool forgets) { m_forgetsItems = forgets; }

    /// Reads a property of an item's org.kde.StatusNotifierItem interface (blocking, for tests).
    QVariant itemProperty(const QString& service, const QString& name);
    SniImageList iconPixmap(const QString& service);
    SniToolTip toolTip(const QString& service);
    /// Calls a method of the item without waiting for the answer (the item may be another process that
    /// answers only from its event loop, which a test is not running while it waits).
    void callItem(const QString& service, const QString& method, const QVariantList& arguments);
    /// Counts the item's signals (NewIcon, NewTitle, NewToolTip, ...) from now on.
    void watchItemSignals(const QString& service);
    int signalCount(const QString& name) const { return m_signals.count(name); }

    QDBusConnection& bus() { return m_bus; }

    static bool waitUntil(const std::function<bool()>& condition,
                          std::chrono::milliseconds timeout = std::chrono::seconds(10));

public Q_SLOTS: // the bus interface, through the generated adaptor
    void RegisterStatusNotifierItem(const QString& service);
    void RegisterStatusNotifierHost(const QString& service);

Q_SIGNALS:
    void StatusNotifierItemRegistered(const QString& service);
    void StatusNotifierItemUnregistered(const QString& service);
    void StatusNotifierHostRegistered();
    void StatusNotifierHostUnregistered();

private Q_SLOTS:
    void onItemSignal();

private:
    QString m_connectionName;
    QDBusConnection m_bus;
    QStringList m_items;
    QString m_lastRegistrant;
    int m_registrations = 0;
    bool m_forgetsItems = false;
    QStringList m_signals;
    bool m_hostRegistered = true;
};

} // namespace tarnwick::testing
