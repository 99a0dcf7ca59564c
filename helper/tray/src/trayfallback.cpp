#include "tarnwick/helper/trayfallback.h"

#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

#include "dbuspropertiesproxy.h"
#include "statusnotifierwatcherproxy.h"
#include "tarnwick/helper/statusnotifieritemhost.h"
#include "tarnwick/helper/xembedtrayicon.h"
#include "tarnwick/rpc/helperlog.h"

namespace tarnwick {

namespace {
constexpr std::string_view kCategory = "Tray";
}

TrayFallback::TrayFallback(StatusNotifierItemHost& host, QDBusConnection bus, QObject* parent)
    : TrayFallback(host, *new XEmbedTrayIcon, std::move(bus), parent)
{
    m_ownIcon.reset(&m_icon);
}

TrayFallback::TrayFallback(StatusNotifierItemHost& host, XEmbedTrayIcon& icon, QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_host(host)
    , m_icon(icon)
    , m_bus(std::move(bus))
{
    watchBus();

    connect(&m_host, &StatusNotifierItemHost::registered, this, [this] {
        m_registered = true;
        m_watcherMissing = false;
        checkWatcherHost();
    });
    connect(&m_host, &StatusNotifierItemHost::registrationFailed, this, [this] {
        m_registered = false;
        ++m_hostCheck;
        useXEmbed(true);
    });
    connect(&m_host, &StatusNotifierItemHost::trayHostMissing, this, [this] {
        m_watcherMissing = true;
        if (!m_icon.canEmbedNow())
            Q_EMIT noTray();
    });
    connect(&m_icon, &XEmbedTrayIcon::trayMissing, this, [this] {
        if (m_watcherMissing)
            Q_EMIT noTray();
    });
    connect(&m_icon, &XEmbedTrayIcon::embedded, this, [this] {
        if (m_usingXEmbed)
            Q_EMIT trayShown();
    });
    connect(&m_host, &StatusNotifierItemHost::iconChanged, this, &TrayFallback::refresh);
    connect(&m_host, &StatusNotifierItemHost::titleChanged, this, &TrayFallback::refresh);
    connect(&m_icon, &XEmbedTrayIcon::pressed, this, [this](QPoint point) { m_host.press(point.x(), point.y()); });
}

TrayFallback::~TrayFallback()
{
    m_icon.hide();
}

void TrayFallback::watchBus()
{
    const QString service = QString::fromLatin1(StatusNotifierItemHost::kWatcherService);
    m_watcher = new OrgKdeStatusNotifierWatcherInterface(service, QString::fromLatin1(StatusNotifierItemHost::kWatcherPath),
                                                         m_bus, this);
    // A watcher with no host (a tray daemon without its panel) lists the item but nothing draws it;
    // once a host registers, it does.
    connect(m_watcher, &OrgKdeStatusNotifierWatcherInterface::StatusNotifierHostRegistered, this, [this] {
        if (m_registered)
            checkWatcherHost();
    });
    m_watcherGone = new QDBusServiceWatcher(service, m_bus, QDBusServiceWatcher::WatchForUnregistration, this);
    connect(m_watcherGone, &QDBusServiceWatcher::serviceUnregistered, this, [this] {
        m_registered = false;
        ++m_hostCheck;
        useXEmbed(true);
    });
}

void TrayFallback::useBus(QDBusConnection bus)
{
    // The item registers again on the new connection and reports how that went, as at start.
    delete m_watcher;
    delete m_watcherGone;
    m_registered = false;
    ++m_hostCheck;
    m_bus = std::move(bus);
    watchBus();
}

void TrayFallback::checkWatcherHost()
{
    const int check = ++m_hostCheck;
    OrgFreedesktopDBusPropertiesInterface properties(QString::fromLatin1(StatusNotifierItemHost::kWatcherService),
                                                     QString::fromLatin1(StatusNotifierItemHost::kWatcherPath), m_bus);
    auto* call = new QDBusPendingCallWatcher(
        properties.Get(QStringLiteral("org.kde.StatusNotifierWatcher"), QStringLiteral("IsStatusNotifierHostRegistered")),
        this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this, call, check] {
        call->deleteLater();
        if (check != m_hostCheck || !m_registered)
            return; // the watcher changed meanwhile
        const QDBusPendingReply<QDBusVariant> reply = *call;
        // A watcher that cannot say is trusted to show the item, as every real one does.
        const bool hostShows = reply.isError() || reply.value().variant().toBool();
        if (!hostShows)
            HelperLog::info(kCategory, "The StatusNotifierWatcher has no host to show the tray item");
        useXEmbed(!hostShows);
        if (hostShows)
            Q_EMIT trayShown();
    });
}

void TrayFallback::useXEmbed(bool use)
{
    if (use == m_usingXEmbed)
        return;
    m_usingXEmbed = use;
    if (use) {
        if (XEmbedTrayIcon::isSupported())
            HelperLog::info(kCategory, "No StatusNotifierWatcher shows the tray item: showing it in an XEmbed system tray");
        m_icon.show(m_host.squarePainter(), m_host.title());
    } else {
        HelperLog::info(kCategory, "The StatusNotifierWatcher shows the tray item: the XEmbed icon is hidden");
        m_icon.hide();
    }
}

void TrayFallback::refresh()
{
    if (m_usingXEmbed)
        m_icon.show(m_host.squarePainter(), m_host.title());
}

} // namespace tarnwick
