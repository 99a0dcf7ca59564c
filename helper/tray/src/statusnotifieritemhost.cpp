#include "tarnwick/helper/statusnotifieritemhost.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QGuiApplication>
#include <QCoreApplication>
#include <QMetaObject>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPalette>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <utility>
#include <unistd.h>

#include "statusnotifieritemobject_p.h"
#include "statusnotifierwatcherproxy.h"
#include "statusnotifieritemadaptor.h"
#include "traymenuadaptor.h"
#include "traymenuobject_p.h"
#include "tarnwick/brand/brandmark.h"
#include "tarnwick/brand/menubarglyph.h"
#include "tarnwick/brand/symbolicglyph.h"
#include "tarnwick/brand/symbolimage.h"
#include "tarnwick/helper/traypicture.h"
#include "tarnwick/platform/boundedtext.h"
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

// The glyph is drawn in the desktop palette's text colour (with a halo of the opposite lightness, as
// the panel's own colour is unknown to us).
QColor glyphInk()
{
    return QGuiApplication::palette().color(QPalette::WindowText);
}

QString programName(uint pid)
{
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    if (!comm.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(comm.readAll()).trimmed();
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

SniImageList StatusNotifierItemObject::overlayIconPixmap() const
{
    return m_host.overlayPixmaps();
}

QString StatusNotifierItemObject::iconName() const
{
    return m_host.iconName();
}

QString StatusNotifierItemObject::iconThemePath() const
{
    return m_host.iconThemePath();
}

QString StatusNotifierItemObject::label() const
{
    return m_host.label();
}

QString StatusNotifierItemObject::labelGuide() const
{
    return m_host.labelGuide();
}

SniToolTip StatusNotifierItemObject::toolTip() const
{
    return {QString(), {}, m_host.title(), QString()};
}

QDBusObjectPath StatusNotifierItemObject::menu() const
{
    return QDBusObjectPath(QString::fromLatin1(TrayMenuObject::kPath));
}

void StatusNotifierItemObject::ContextMenu(int x, int y)
{
    m_host.press(x, y);
}

void StatusNotifierItemObject::Activate(int x, int y)
{
    m_host.press(x, y);
    // GNOME's AppIndicator extension counts a click as a double click (and activates) only until an
    // activation succeeds; an activation that reports GIO's "cancelled" error is neither a success
    // nor a failure it logs. GDBus turns this name back into that error.
    if (m_host.hostProfile().activationReportsCancelled && calledFromDBus())
        sendErrorReply(QStringLiteral("org.gtk.GDBus.UnmappedGError.Quark._g_2dio_2derror_2dquark.Code19"),
                       QStringLiteral("The popover was toggled"));
}

void StatusNotifierItemObject::ProvideXdgActivationToken(const QString& token)
{
    m_host.setActivationToken(token);
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
    m_themePath = installedIconThemePath(QCoreApplication::applicationDirPath());
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installEventFilter(this);
}

QString StatusNotifierItemHost::installedIconThemePath(const QString& programDir)
{
    const QString themes = QDir::cleanPath(programDir + QStringLiteral("/../share/icons"));
    const QString icon = themes + QStringLiteral("/hicolor/scalable/apps/") +
                         QString::fromLatin1(symbolicglyph::kIconName) + QStringLiteral(".svg");
    return QFileInfo::exists(icon) ? themes : QString();
}

TrayHostProfile StatusNotifierItemHost::effectiveProfile() const
{
    return m_profile.forDisplay(m_display == MenuBarUnreadDisplay::dots);
}

void StatusNotifierItemHost::setRetryTiming(int confirmDelayMs, int firstRetryDelayMs)
{
    m_confirmDelayMs = confirmDelayMs;
    m_firstRetryDelayMs = firstRetryDelayMs;
}

bool StatusNotifierItemHost::menuShowsEntries() const
{
    return m_profile.menuEntries;
}

QString StatusNotifierItemHost::iconName() const
{
    return effectiveProfile().themedIcon && !m_themePath.isEmpty() ? QString::fromLatin1(symbolicglyph::kIconName)
                                                                   : QString();
}

QString StatusNotifierItemHost::iconThemePath() const
{
    return iconName().isEmpty() ? QString() : m_themePath;
}

bool StatusNotifierItemHost::eventFilter(QObject* watched, QEvent* event)
{
    // A new desktop theme (dark to light, say) gives the glyph a new ink.
    if (watched == QCoreApplication::instance() && event->type() == QEvent::ApplicationPaletteChange && m_attached) {
        m_pictureStale = true;
        scheduleRebuild();
    }
    return QObject::eventFilter(watched, event);
}

void StatusNotifierItemHost::setHostProfile(const TrayHostProfile& profile)
{
    if (profile == m_profile)
        return;
    m_profile = profile;
    if (m_menu)
        m_menu->setShowsEntries(m_profile.menuEntries);
    m_pixmaps.clear(); // a new kind of picture, even if the counts are the same
    m_pictureStale = true;
    scheduleRebuild();
}

// The watcher's program decides what the item publishes and how it registers, so it is learnt
// before registering. Without a watcher the registration itself reports the missing tray.
void StatusNotifierItemHost::learnHostThenRegister()
{
    const int generation = m_generation;
    auto* call = new QDBusPendingCallWatcher(
        m_bus.interface()->asyncCall(QStringLiteral("GetConnectionUnixProcessID"), QString::fromLatin1(kWatcherService)),
        this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this, call, generation] {
        call->deleteLater();
        if (!m_published || generation != m_generation)
            return;
        const QDBusPendingReply<uint> reply = *call;
        if (!reply.isError()) {
            const QString program = programName(reply.value());
            HelperLog::info(kCategory,
                            "Tray host is " + (program.isEmpty() ? std::string("unknown") : program.toStdString()));
            setHostProfile(TrayHostProfile::forProgram(program.toStdString()));
        }
        registerWithWatcher();
    });
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
    m_announcedDescription = m_description;
    m_pictureStale = false;
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
    connect(this, &StatusNotifierItemHost::overlayIconChanged, m_object.get(),
            &StatusNotifierItemObject::NewOverlayIcon);
    connect(this, &StatusNotifierItemHost::labelChanged, m_object.get(), &StatusNotifierItemObject::XAyatanaNewLabel);
    connect(this, &StatusNotifierItemHost::titleChanged, m_object.get(), &StatusNotifierItemObject::NewTitle);
    connect(this, &StatusNotifierItemHost::toolTipChanged, m_object.get(), &StatusNotifierItemObject::NewToolTip);

    if (!m_bus.registerObject(QString::fromLatin1(kItemPath), m_object.get(), QDBusConnection::ExportAdaptors)) {
        publishFailed(m_bus.lastError().message());
        return;
    }
    m_menu = std::make_unique<TrayMenuObject>([this](TrayMenuCommand command) {
        if (m_callbacks.menuCommand)
            m_callbacks.menuCommand(command);
    });
    m_menu->setShowsEntries(m_profile.menuEntries);
    new DbusmenuAdaptor(m_menu.get()); // owned by the menu
    if (!m_bus.registerObject(QString::fromLatin1(TrayMenuObject::kPath), m_menu.get(),
                              QDBusConnection::ExportAdaptors))
        HelperLog::warn(kCategory, "Could not export the tray item's menu: " + m_bus.lastError().message().toStdString());

    if (!m_watcher) {
        m_watcher = new OrgKdeStatusNotifierWatcherInterface(QString::fromLatin1(kWatcherService),
                                                             QString::fromLatin1(kWatcherPath), m_bus, this);
        connect(m_watcher, &OrgKdeStatusNotifierWatcherInterface::StatusNotifierItemUnregistered, this,
                &StatusNotifierItemHost::onWatcherDroppedItem);
        // A host that (re)starts behind the watcher may have lost the watcher's items.
        connect(m_watcher, &OrgKdeStatusNotifierWatcherInterface::StatusNotifierHostRegistered, this, [this] {
            if (m_registered)
                confirmRegistration();
        });
    }
    // A desktop whose tray starts (or restarts) later gets the item as soon as its watcher appears;
    // one that goes away takes the item with it.
    if (!m_watcherWatch) {
        m_watcherWatch = new QDBusServiceWatcher(QString::fromLatin1(kWatcherService), m_bus,
                                                 QDBusServiceWatcher::WatchForOwnerChange, this);
        connect(m_watcherWatch, &QDBusServiceWatcher::serviceRegistered, this, [this] {
            if (!m_published)
                return;
            m_retries = 0;
            ++m_generation;
            learnHostThenRegister();
        });
        connect(m_watcherWatch, &QDBusServiceWatcher::serviceUnregistered, this, [this] {
            if (!m_published || !m_registered)
                return;
            ++m_generation;
            m_registered = false;
            HelperLog::warn(kCategory, "The StatusNotifierWatcher left the session bus: the tray item is not shown");
            Q_EMIT dropped();
            Q_EMIT trayHostMissing();
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
        learnHostThenRegister();
    });
}

void StatusNotifierItemHost::publishFailed(const QString& reason)
{
    HelperLog::warn(kCategory, "Could not publish the tray item as " + m_serviceName.toStdString() + " (" +
                                   reason.toStdString() + "): the tray item is kept in memory only");
    m_bus.unregisterObject(QString::fromLatin1(kItemPath));
    m_bus.unregisterObject(QString::fromLatin1(TrayMenuObject::kPath));
    m_object.reset();
    m_menu.reset();
    Q_EMIT registrationFailed();
}

void StatusNotifierItemHost::registerWithWatcher()
{
    const int generation = ++m_generation;
    const QString name = m_serviceName;
    const QString argument = m_profile.registerByPath ? QString::fromLatin1(kItemPath) : name;
    auto* call = new QDBusPendingCallWatcher(m_watcher->RegisterStatusNotifierItem(argument), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this, call, name, generation] {
        call->deleteLater();
        if (!m_published || name != m_serviceName || generation != m_generation)
            return; // removed, re-attached or registered again meanwhile
        if (call->isError()) {
            m_registered = false;
            HelperLog::warn(kCategory, "No StatusNotifierWatcher on the session bus (" +
                                           call->error().name().toStdString() +
                                           "): the tray item is kept in memory only");
            Q_EMIT registrationFailed();
            if (call->error().type() == QDBusError::ServiceUnknown)
                Q_EMIT trayHostMissing();
            return;
        }
        m_registered = true;
        HelperLog::info(kCategory, "Tray item registered as " + name.toStdString());
        Q_EMIT registered();
        QTimer::singleShot(m_confirmDelayMs, this, [this, generation] {
            if (m_registered && generation == m_generation)
                confirmRegistration();
        });
    });
}

bool StatusNotifierItemHost::isOurEntry(const QString& entry) const
{
    // Watchers list an item as its service name, or as "<bus name>/<path>" (KDE's and most others)
    // or "<bus name>@<path>" (GNOME's extension) for either name.
    const QString path = QString::fromLatin1(kItemPath);
    for (const QString& name : {m_serviceName, m_bus.baseService()}) {
        if (entry == name || entry == name + path || entry == name + QLatin1Char('@') + path)
            return true;
    }
    return false;
}

void StatusNotifierItemHost::confirmRegistration()
{
    const int generation = m_generation;
    QDBusMessage get = QDBusMessage::createMethodCall(QString::fromLatin1(kWatcherService), QString::fromLatin1(kWatcherPath),
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << QStringLiteral("org.kde.StatusNotifierWatcher") << QStringLiteral("RegisteredStatusNotifierItems");
    auto* call = new QDBusPendingCallWatcher(m_bus.asyncCall(get), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this, call, generation] {
        call->deleteLater();
        if (!m_published || generation != m_generation)
            return;
        const QDBusPendingReply<QDBusVariant> reply = *call;
        if (reply.isError())
            return; // a watcher that cannot tell; its signals and its restart still count
        const QStringList items = reply.value().variant().toStringList();
        if (std::any_of(items.begin(), items.end(), [this](const QString& entry) { return isOurEntry(entry); })) {
            if (m_retries > 0)
                HelperLog::info(kCategory, "The tray item is in the watcher's list again");
            m_retries = 0;
            return;
        }
        retryRegistration("is missing from the watcher's list");
    });
}

void StatusNotifierItemHost::onWatcherDroppedItem(const QString& item)
{
    if (m_registered && isOurEntry(item))
        retryRegistration("was dropped by the watcher");
}

void StatusNotifierItemHost::retryRegistration(const std::string& why)
{
    m_registered = false;
    Q_EMIT dropped();
    if (m_retries >= kMaxRetries) {
        HelperLog::warn(kCategory, "The tray item " + why + " after " + std::to_string(kMaxRetries) +
                                       " registrations in a row: waiting for the tray to restart");
        return;
    }
    ++m_retries;
    HelperLog::warn(kCategory, "The tray item " + why + ": registering again (" + std::to_string(m_retries) + " of " +
                                   std::to_string(kMaxRetries) + ")");
    // Back off a little more each time, so a host that keeps dropping it is not flooded.
    const int generation = ++m_generation;
    QTimer::singleShot(m_firstRetryDelayMs * (1 << (m_retries - 1)), this, [this, generation] {
        if (m_published && generation == m_generation)
            registerWithWatcher();
    });
}

void StatusNotifierItemHost::remove()
{
    closePopover();
    if (m_published)
        m_bus.interface()->asyncCall(QStringLiteral("ReleaseName"), m_serviceName);
    if (m_object)
        m_bus.unregisterObject(QString::fromLatin1(kItemPath));
    if (m_menu)
        m_bus.unregisterObject(QString::fromLatin1(TrayMenuObject::kPath));
    m_object.reset();
    m_menu.reset();
    ++m_generation;
    m_retries = 0;
    m_published = false;
    m_registered = false;
    m_attached = false;
    m_callbacks = {};
}

void StatusNotifierItemHost::useBus(QDBusConnection bus)
{
    // Names, objects and watches went with the old connection; nothing there needs releasing.
    m_object.reset();
    m_menu.reset();
    delete m_watcher;
    m_watcher = nullptr;
    delete m_watcherWatch;
    m_watcherWatch = nullptr;
    ++m_generation;
    m_retries = 0;
    m_published = false;
    m_registered = false;
    m_bus = std::move(bus);
    if (m_attached)
        attach(m_callbacks);
}

void StatusNotifierItemHost::setCounts(const std::vector<MenuBarAccount>& accounts, MenuBarUnreadDisplay display)
{
    if (accounts == m_accounts && display == m_display)
        return;
    m_accounts = accounts;
    m_display = display;
    m_countsChanged = true;
}

void StatusNotifierItemHost::setTitle(const StyledTitle& title, const std::string& accessibilityDescription)
{
    // It holds the accounts' names, which the main application does not bound.
    m_description = boundedText(QString::fromStdString(accessibilityDescription), kBusParagraphLength);
    if (!m_hasTitle || title != m_title || m_pixmaps.isEmpty() || m_countsChanged)
        m_pictureStale = true;
    m_countsChanged = false;
    m_title = title;
    m_hasTitle = true;
    scheduleRebuild();
}

void StatusNotifierItemHost::scheduleRebuild()
{
    // A burst of updates (a sync of every account, a batch archived in the main window) redraws the
    // item once, with the last counts, on the next turn of the event loop.
    if (m_rebuildPosted)
        return;
    m_rebuildPosted = true;
    QMetaObject::invokeMethod(this, [this] {
        m_rebuildPosted = false;
        rebuildNow();
    }, Qt::QueuedConnection);
}

void StatusNotifierItemHost::rebuildNow()
{
    if (m_pictureStale && m_attached) {
        m_pictureStale = false;
        redrawIcon();
    }
    if (m_description != m_announcedDescription) {
        m_announcedDescription = m_description;
        Q_EMIT titleChanged();
        Q_EMIT toolTipChanged();
    }
}

std::function<QImage(int, const QColor&)> StatusNotifierItemHost::squarePainter() const
{
    // A snapshot: the tray may paint after the counts changed and before it is given new ones. Solid
    // strokes: such a tray draws the picture at its own small size.
    return [accounts = m_accounts, display = m_display](int side, const QColor& background) {
        return traypicture::square(side, accounts, display, traypicture::inkFor(background), true);
    };
}

void StatusNotifierItemHost::redrawIcon()
{
    const QColor ink = glyphInk();
    SniImageList pixmaps;
    SniImageList overlay;
    QImage icon;
    using Picture = TrayHostProfile::Picture;
    const TrayHostProfile profile = effectiveProfile();
    if (profile.picture == Picture::wide) {
        for (qreal dpr : {1.0, 2.0}) {
            QImage image = traypicture::wide(m_renderer, m_title, ink, dpr);
            pixmaps.append(SniImage::fromImage(image));
            if (dpr == 1.0)
                icon = image;
        }
    } else {
        const MenuBarUnreadDisplay shown =
            profile.picture == Picture::glyph ? MenuBarUnreadDisplay::nothing : m_display;
        for (int side : traypicture::kSquareSides) {
            QImage image = traypicture::square(side, m_accounts, shown, ink, profile.solidStrokes);
            pixmaps.append(SniImage::fromImage(image));
            if (side == 22)
                icon = image;
            if (profile.overlay && !iconName().isEmpty()) {
                const QImage extra = traypicture::overlay(side, m_accounts, shown);
                if (!extra.isNull())
                    overlay.append(SniImage::fromImage(extra));
            }
        }
    }
    const QString label =
        profile.label ? QString::fromStdString(traypicture::label(m_accounts, m_display)) : QString();
    const QString guide =
        profile.label ? QString::fromStdString(traypicture::labelGuide(m_accounts, m_display)) : QString();
    if (label != m_label || guide != m_labelGuide) {
        m_label = label;
        m_labelGuide = guide;
        Q_EMIT labelChanged(m_label, m_labelGuide);
    }
    if (overlay != m_overlay) {
        m_overlay = std::move(overlay);
        Q_EMIT overlayIconChanged();
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
    // Any program on the bus can call: a point far off every screen is brought within reach of
    // them, so the placement's arithmetic never overflows.
    constexpr int kFarthest = 1 << 20;
    if (x != 0 || y != 0)
        m_clickPoint = QPoint(std::clamp(x, -kFarthest, kFarthest), std::clamp(y, -kFarthest, kFarthest));
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
    popover->setActivationToken(std::exchange(m_activationToken, QString()));
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
    // Without a display the popover exists only in memory: say so rather than pretend it is seen.
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        HelperLog::info(kCategory, "The tray popover opened offscreen: nothing is shown on a screen");
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
