#include "tarnwick/helper/statusnotifieritemhost.h"

#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QGuiApplication>
#include <QPalette>
#include <atomic>
#include <unistd.h>

#include "statusnotifieritemobject_p.h"
#include "statusnotifierwatcherproxy.h"
#include "statusnotifieritemadaptor.h"
#include "tarnwick/brand/brandmark.h"
#include "tarnwick/brand/menubarglyph.h"
#include "tarnwick/brand/symbolimage.h"
#include "tarnwick/helper/traypopover.h"
#include "tarnwick/rpc/helperlog.h"

namespace tarnwick {

namespace {

constexpr std::string_view kCategory = "Tray";

QString nextServiceName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("org.kde.StatusNotifierItem-%1-%2").arg(::getpid()).arg(++counter);
}

// The glyph is a template: drawn in the panel's text colour as the desktop theme gives it.
QImage glyphImage(qreal dpr)
{
    const QColor ink = QGuiApplication::palette().color(QPalette::WindowText);
    const MenuBarGlyph glyph(BrandMarkKind::tarnwick);
    if (auto image = glyph.statusItemImage(dpr))
        return image->tinted(ink);
    const QSizeF size = glyph.size();
    return SymbolImage::render("envelope", QSize(int(size.width()), int(size.height())), ink, dpr);
}

} // namespace

// ---- the exported object ----

StatusNotifierItemObject::StatusNotifierItemObject(StatusNotifierItemHost& host)
    : m_host(host)
{
}

QString StatusNotifierItemObject::title() const
{
    return m_host.title();
}

SniImageList StatusNotifierItemObject::iconPixmap() const
{
    return m_host.iconPixmaps();
}

SniToolTip StatusNotifierItemObject::toolTip() const
{
    return {QString(), {}, m_host.title(), QString()};
}

void StatusNotifierItemObject::ContextMenu(int x, int y)
{
    m_host.press(x, y);
}

void StatusNotifierItemObject::Activate(int x, int y)
{
    m_host.press(x, y);
}

void StatusNotifierItemObject::SecondaryActivate(int x, int y)
{
    m_host.press(x, y);
}

void StatusNotifierItemObject::Scroll(int, const QString&)
{
}

// ---- the host ----

StatusNotifierItemHost::StatusNotifierItemHost(QDBusConnection bus, const Clock& clock, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_clock(clock)
{
    registerStatusNotifierTypes();
}

StatusNotifierItemHost::~StatusNotifierItemHost()
{
    if (m_attached)
        remove();
    delete m_popover.data();
}

double StatusNotifierItemHost::titleCapHeight() const
{
    return m_renderer.capHeight();
}

void StatusNotifierItemHost::attach(StatusItemCallbacks callbacks)
{
    m_callbacks = std::move(callbacks);
    m_attached = true;
    m_registered = false;
    if (m_description.isEmpty())
        m_description = QStringLiteral("Tarnwick"); // until the controller sets the full description
    redrawIcon();

    if (!m_bus.isConnected()) {
        HelperLog::warn(kCategory, "No session bus: the tray item is kept in memory only");
        Q_EMIT registrationFailed();
        return;
    }

    m_serviceName = nextServiceName();
    m_object = std::make_unique<StatusNotifierItemObject>(*this);
    new StatusNotifierItemAdaptor(m_object.get()); // owned by the object
    connect(this, &StatusNotifierItemHost::iconChanged, m_object.get(), &StatusNotifierItemObject::NewIcon);
    connect(this, &StatusNotifierItemHost::titleChanged, m_object.get(), &StatusNotifierItemObject::NewTitle);
    connect(this, &StatusNotifierItemHost::toolTipChanged, m_object.get(), &StatusNotifierItemObject::NewToolTip);

    if (!m_bus.registerObject(QString::fromLatin1(kItemPath), m_object.get(), QDBusConnection::ExportAdaptors)) {
        publishFailed(m_bus.lastError().message());
        return;
    }

    // A desktop whose tray starts (or restarts) later gets the item as soon as its watcher appears.
    if (!m_watcherWatch) {
        m_watcherWatch = new QDBusServiceWatcher(QString::fromLatin1(kWatcherService), m_bus,
                                                 QDBusServiceWatcher::WatchForRegistration, this);
        connect(m_watcherWatch, &QDBusServiceWatcher::serviceRegistered, this, [this] {
            if (m_published)
                registerWithWatcher();
        });
    }

    // The name is requested without waiting for the bus (registerService() would block).
    constexpr uint kDoNotQueue = 4;
    constexpr uint kPrimaryOwner = 1;
    auto* request = new QDBusPendingCallWatcher(
        m_bus.interface()->asyncCall(QStringLiteral("RequestName"), m_serviceName, kDoNotQueue), this);
    const QString name = m_serviceName;
    connect(request, &QDBusPendingCallWatcher::finished, this, [this, request, name] {
        request->deleteLater();
        const QDBusPendingReply<uint> reply = *request;
        const bool owned = !reply.isError() && reply.value() == kPrimaryOwner;
        if (!m_attached || name != m_serviceName) {
            // Removed (or re-attached) meanwhile: the name is no longer wanted.
            if (owned)
                m_bus.interface()->asyncCall(QStringLiteral("ReleaseName"), name);
            return;
        }
        if (!owned) {
            publishFailed(reply.isError() ? reply.error().message() : QStringLiteral("the name is taken"));
            return;
        }
        m_published = true;
        registerWithWatcher();
    });
}

void StatusNotifierItemHost::publishFailed(const QString& reason)
{
    HelperLog::warn(kCategory, "Could not publish the tray item as " + m_serviceName.toStdString() + " (" +
                                   reason.toStdString() + "): the tray item is kept in memory only");
    m_bus.unregisterObject(QString::fromLatin1(kItemPath));
    m_object.reset();
    Q_EMIT registrationFailed();
}

void StatusNotifierItemHost::registerWithWatcher()
{
    auto* proxy = new OrgKdeStatusNotifierWatcherInterface(QString::fromLatin1(kWatcherService),
                                                           QString::fromLatin1(kWatcherPath), m_bus, this);
    auto* call = new QDBusPendingCallWatcher(proxy->RegisterStatusNotifierItem(m_serviceName), this);
    const QString name = m_serviceName;
    connect(call, &QDBusPendingCallWatcher::finished, this, [this, call, proxy, name] {
        call->deleteLater();
        proxy->deleteLater();
        if (!m_published || name != m_serviceName)
            return; // removed (or re-attached) meanwhile
        if (call->isError()) {
            m_registered = false;
            HelperLog::warn(kCategory, "No StatusNotifierWatcher on the session bus (" +
                                           call->error().name().toStdString() +
                                           "): the tray item is kept in memory only");
            Q_EMIT registrationFailed();
            return;
        }
        m_registered = true;
        HelperLog::info(kCategory, "Tray item registered as " + name.toStdString());
        Q_EMIT registered();
    });
}

void StatusNotifierItemHost::remove()
{
    closePopover();
    if (m_published)
        m_bus.interface()->asyncCall(QStringLiteral("ReleaseName"), m_serviceName);
    if (m_object)
        m_bus.unregisterObject(QString::fromLatin1(kItemPath));
    m_object.reset();
    m_published = false;
    m_registered = false;
    m_attached = false;
    m_callbacks = {};
}

void StatusNotifierItemHost::setTitle(const StyledTitle& title, const std::string& accessibilityDescription)
{
    const QString description = QString::fromStdString(accessibilityDescription);
    const bool titleChangedNow = !m_hasTitle || title != m_title;
    m_title = title;
    m_hasTitle = true;
    if (titleChangedNow)
        redrawIcon();
    if (description != m_description) {
        m_description = description;
        Q_EMIT titleChanged();
        Q_EMIT toolTipChanged();
    }
}

void StatusNotifierItemHost::redrawIcon()
{
    SniImageList pixmaps;
    QImage icon;
    for (qreal dpr : {1.0, 2.0}) {
        QImage image = m_renderer.renderItem(glyphImage(dpr), m_title, dpr);
        pixmaps.append(SniImage::fromImage(image));
        if (dpr == 1.0)
            icon = image;
    }
    if (pixmaps == m_pixmaps)
        return;
    m_pixmaps = std::move(pixmaps);
    m_icon = std::move(icon);
    Q_EMIT iconChanged();
}

void StatusNotifierItemHost::press(int x, int y)
{
    // Some hosts send (0, 0) when they do not know where the item is; the pointer is then the best guess.
    if (x != 0 || y != 0)
        m_clickPoint = QPoint(x, y);
    else
        m_clickPoint.reset();
    if (m_callbacks.togglePopover)
        m_callbacks.togglePopover();
}

void StatusNotifierItemHost::showPopover(TrayModel& model, TrayPopoverActions actions)
{
    if (m_popover) {
        // Replaced: the old one must not report its close as the new one's.
        m_popover->disconnect(this);
        m_popover->close();
        m_popover->deleteLater();
    }
    auto* popover = new TrayPopover(model, std::move(actions), m_clock);
    popover->setAttribute(Qt::WA_DeleteOnClose, false);
    m_popover = popover;
    connect(popover, &TrayPopover::aboutToClose, this, [this] {
        if (m_callbacks.popoverWillClose)
            m_callbacks.popoverWillClose();
    });
    connect(popover, &TrayPopover::closed, this, [this, popover] {
        if (m_callbacks.popoverDidClose)
            m_callbacks.popoverDidClose();
        // It may be closing from inside one of its own controls: delete it once that returns.
        popover->deleteLater();
    });
    popover->showAt(m_clickPoint);
}

void StatusNotifierItemHost::closePopover()
{
    if (m_popover && m_popover->isVisible())
        m_popover->close();
}

bool StatusNotifierItemHost::isPopoverShown() const
{
    return m_popover && m_popover->isVisible();
}

} // namespace tarnwick
