#include "tarnwick/platform/xdgdesktopcolorscheme.h"

#include "tarnwick/platform/sessionbus.h"

#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <gio/gio.h>
#include <optional>

#include "portalsettingsproxy.h"

namespace tarnwick {

namespace {

constexpr const char* kPortalService = "org.freedesktop.portal.Desktop";
constexpr const char* kPortalPath = "/org/freedesktop/portal/desktop";
constexpr const char* kAppearance = "org.freedesktop.appearance";
constexpr const char* kColorScheme = "color-scheme";
constexpr const char* kGnomeSchema = "org.gnome.desktop.interface";

// Portals wrap the value in a variant, older ones in two.
QVariant unwrap(QVariant value)
{
    while (value.metaType() == QMetaType::fromType<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    return value;
}

std::optional<quint32> portalNumber(const QVariant& wrapped)
{
    const QVariant value = unwrap(wrapped);
    bool ok = false;
    const quint32 number = value.toUInt(&ok);
    if (!ok || value.metaType() == QMetaType::fromType<QString>())
        return std::nullopt;
    return number;
}

} // namespace

ColorScheme colorSchemeFromPortal(quint32 value)
{
    switch (value) {
    case 1: return ColorScheme::dark;
    case 2: return ColorScheme::light;
    default: return ColorScheme::noPreference;
    }
}

ColorScheme colorSchemeFromGnome(const QString& value)
{
    if (value == QLatin1String("prefer-dark"))
        return ColorScheme::dark;
    if (value == QLatin1String("prefer-light"))
        return ColorScheme::light;
    return ColorScheme::noPreference;
}

// The GNOME setting, followed through GSettings' change signal (delivered on the GLib main context
// Qt's event loop runs).
struct XdgDesktopColorScheme::GSettingsWatch {
    GSettings* settings = nullptr;
    gulong handler = 0;
    ~GSettingsWatch()
    {
        if (settings) {
            if (handler)
                g_signal_handler_disconnect(settings, handler);
            g_object_unref(settings);
        }
    }
    static ColorScheme read(GSettings* settings)
    {
        gchar* text = g_settings_get_string(settings, kColorScheme);
        const ColorScheme scheme = colorSchemeFromGnome(QString::fromUtf8(text));
        g_free(text);
        return scheme;
    }
};

XdgDesktopColorScheme::XdgDesktopColorScheme(QObject* parent)
    : XdgDesktopColorScheme(SessionBus::shared().connection(), parent)
{
    // A portal on a session bus that came back may have another preference by now.
    connect(&SessionBus::shared(), &SessionBus::reconnected, this, [this](const QDBusConnection& bus) {
        delete findChild<OrgFreedesktopPortalSettingsInterface*>(QStringLiteral("portalSettings"));
        listenOn(bus);
    });
}

XdgDesktopColorScheme::XdgDesktopColorScheme(const QDBusConnection& connection, QObject* parent)
    : DesktopColorScheme(parent)
    , m_bus(connection)
{
    listenOn(connection);
}

void XdgDesktopColorScheme::listenOn(const QDBusConnection& connection)
{
    m_bus = connection;
    if (!m_bus.isConnected()) {
        useGSettings();
        return;
    }
    // Listen first, so a change between the read and its answer is not lost.
    auto* proxy = new OrgFreedesktopPortalSettingsInterface(QString::fromLatin1(kPortalService),
                                                            QString::fromLatin1(kPortalPath), m_bus, this);
    proxy->setObjectName(QStringLiteral("portalSettings"));
    // The relay finds the signal's argument types by name; QDBusVariant's is known only once registered.
    qRegisterMetaType<QDBusVariant>();
    connect(proxy, &OrgFreedesktopPortalSettingsInterface::SettingChanged, this,
            &XdgDesktopColorScheme::portalSettingChanged);
    readPortal(false);
}

XdgDesktopColorScheme::~XdgDesktopColorScheme() = default;

void XdgDesktopColorScheme::readPortal(bool legacyRead)
{
    auto* proxy = findChild<OrgFreedesktopPortalSettingsInterface*>(QStringLiteral("portalSettings"));
    const QString group = QString::fromLatin1(kAppearance);
    const QString key = QString::fromLatin1(kColorScheme);
    const QDBusPendingCall call =
        legacyRead ? QDBusPendingCall(proxy->Read(group, key)) : QDBusPendingCall(proxy->ReadOne(group, key));
    auto* watcher = new QDBusPendingCallWatcher(call, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, legacyRead](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        QDBusPendingReply<QDBusVariant> reply = *w;
        if (reply.isError()) {
            // Portals before version 2 have Read only.
            if (!legacyRead && reply.error().type() == QDBusError::UnknownMethod) {
                readPortal(true);
                return;
            }
            useGSettings();
            return;
        }
        const auto number = portalNumber(reply.argumentAt(0));
        if (!number) {
            useGSettings();
            return;
        }
        m_source = Source::portal;
        report(colorSchemeFromPortal(*number));
    });
}

void XdgDesktopColorScheme::portalSettingChanged(const QString& group, const QString& key, const QDBusVariant& value)
{
    if (group != QLatin1String(kAppearance) || key != QLatin1String(kColorScheme))
        return;
    const auto number = portalNumber(value.variant());
    if (!number)
        return;
    // A portal that starts late takes over from GSettings.
    m_gsettings.reset();
    m_source = Source::portal;
    report(colorSchemeFromPortal(*number));
}

void XdgDesktopColorScheme::useGSettings()
{
    if (m_gsettings)
        return;
    GSettingsSchemaSource* sources = g_settings_schema_source_get_default();
    GSettingsSchema* schema = sources ? g_settings_schema_source_lookup(sources, kGnomeSchema, TRUE) : nullptr;
    const bool usable = schema && g_settings_schema_has_key(schema, kColorScheme);
    if (schema)
        g_settings_schema_unref(schema);
    if (!usable)
        return; // nothing to follow: the platform palette stands
    m_gsettings = std::make_unique<GSettingsWatch>();
    m_gsettings->settings = g_settings_new(kGnomeSchema);
    m_gsettings->handler = g_signal_connect(
        m_gsettings->settings, "changed::color-scheme",
        G_CALLBACK(+[](GSettings* settings, gchar*, gpointer self) {
            static_cast<XdgDesktopColorScheme*>(self)->report(GSettingsWatch::read(settings));
        }),
        this);
    m_source = Source::gsettings;
    report(GSettingsWatch::read(m_gsettings->settings));
}

void XdgDesktopColorScheme::report(ColorScheme scheme)
{
    if (scheme == m_scheme)
        return;
    m_scheme = scheme;
    Q_EMIT schemeChanged(scheme);
}

} // namespace tarnwick
