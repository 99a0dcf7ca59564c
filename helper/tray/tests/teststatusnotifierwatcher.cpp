#include "teststatusnotifierwatcher.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusReply>
#include <QUuid>

#include "teststatusnotifierwatcheradaptor.h"
#include "tarnwick/testing/eventwait.h"

namespace tarnwick::testing {

namespace {
const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kItemInterface = QStringLiteral("org.kde.StatusNotifierItem");
const QString kItemPath = QStringLiteral("/StatusNotifierItem");
} // namespace

TestStatusNotifierWatcher::TestStatusNotifierWatcher(const QString& address)
    : m_connectionName(QStringLiteral("test-sni-watcher-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
    , m_bus(address.isEmpty() ? QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connectionName)
                              : QDBusConnection::connectToBus(address, m_connectionName))
{
    registerStatusNotifierTypes();
    new StatusNotifierWatcherAdaptor(this);
}

TestStatusNotifierWatcher::~TestStatusNotifierWatcher()
{
    stop();
    QDBusConnection::disconnectFromBus(m_connectionName);
}

bool TestStatusNotifierWatcher::start()
{
    if (!m_bus.isConnected())
        return false;
    if (!m_bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), this, QDBusConnection::ExportAdaptors))
        return false;
    return m_bus.registerService(kWatcherService);
}

void TestStatusNotifierWatcher::stop()
{
    if (!m_bus.isConnected())
        return;
    m_bus.unregisterService(kWatcherService);
    m_bus.unregisterObject(QStringLiteral("/StatusNotifierWatcher"));
}

void TestStatusNotifierWatcher::RegisterStatusNotifierItem(const QString& service)
{
    m_lastRegistrant = message().service();
    ++m_registrations;
    // As the desktops' watchers do: an item registered by object path is listed under its sender.
    const QString entry = service.startsWith(QLatin1Char('/')) ? m_lastRegistrant + service : service;
    if (m_forgetsItems)
        return;
    if (!m_items.contains(entry))
        m_items.append(entry);
    Q_EMIT StatusNotifierItemRegistered(entry);
}

void TestStatusNotifierWatcher::dropItem(const QString& entry, bool tell)
{
    m_items.removeAll(entry);
    if (tell)
        Q_EMIT StatusNotifierItemUnregistered(entry);
}

void TestStatusNotifierWatcher::RegisterStatusNotifierHost(const QString&)
{
    setHostRegistered(true);
}

void TestStatusNotifierWatcher::setHostRegistered(bool registered)
{
    if (registered == m_hostRegistered)
        return;
    m_hostRegistered = registered;
    if (registered)
        Q_EMIT StatusNotifierHostRegistered();
    else
        Q_EMIT StatusNotifierHostUnregistered();
}

QVariant TestStatusNotifierWatcher::itemProperty(const QString& service, const QString& name)
{
    QDBusMessage call = QDBusMessage::createMethodCall(service, kItemPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                       QStringLiteral("Get"));
    call << kItemInterface << name;
    // The item lives in this test's process: wait without blocking its event loop.
    // The watcher object posts its finished signal to this thread, which wakes the wait.
    QDBusPendingCallWatcher pending(m_bus.asyncCall(call));
    bool finished = false;
    connect(&pending, &QDBusPendingCallWatcher::finished, this, [&finished] { finished = true; });
    waitUntil([&] { return finished; });
    QDBusReply<QDBusVariant> reply = pending.reply();
    return reply.isValid() ? reply.value().variant() : QVariant();
}

SniImageList TestStatusNotifierWatcher::iconPixmap(const QString& service)
{
    SniImageList images;
    const QVariant value = itemProperty(service, QStringLiteral("IconPixmap"));
    if (value.canConvert<QDBusArgument>())
        value.value<QDBusArgument>() >> images;
    return images;
}

SniToolTip TestStatusNotifierWatcher::toolTip(const QString& service)
{
    SniToolTip tip;
    const QVariant value = itemProperty(service, QStringLiteral("ToolTip"));
    if (value.canConvert<QDBusArgument>())
        value.value<QDBusArgument>() >> tip;
    return tip;
}

void TestStatusNotifierWatcher::callItem(const QString& service, const QString& method, const QVariantList& arguments)
{
    QDBusMessage call = QDBusMessage::createMethodCall(service, kItemPath, kItemInterface, method);
    call.setArguments(arguments);
    m_bus.asyncCall(call);
}

void TestStatusNotifierWatcher::watchItemSignals(const QString& service)
{
    for (const char* name : {"NewIcon", "NewTitle", "NewToolTip"})
        m_bus.connect(service, kItemPath, kItemInterface, QString::fromLatin1(name), this, SLOT(onItemSignal()));
}

void TestStatusNotifierWatcher::onItemSignal()
{
    m_signals.append(message().member());
}

bool TestStatusNotifierWatcher::waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    return tarnwick::testing::waitUntil(condition, timeout);
}

} // namespace tarnwick::testing
