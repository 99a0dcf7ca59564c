// The desktop's colour scheme as the portal and GNOME's settings give it. A stand-in portal owns the
// portal's name on the private session bus of scripts/with-session.sh.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QSignalSpy>
#include <QTest>
#include <gio/gio.h>

#include "tarnwick/platform/xdgdesktopcolorscheme.h"

using namespace tarnwick;

namespace {

constexpr const char* kService = "org.freedesktop.portal.Desktop";
constexpr const char* kPath = "/org/freedesktop/portal/desktop";
constexpr const char* kInterface = "org.freedesktop.portal.Settings";

// A portal answering the appearance setting: as version 2 portals do (ReadOne), as older ones do (Read
// only, the value in a second variant), or with the setting missing.
class FakePortal : public QDBusVirtualObject {
public:
    enum class Kind { current, legacy, withoutSetting };

    FakePortal(Kind kind, QVariant value)
        : m_kind(kind)
        , m_value(std::move(value))
        , m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake-portal")))
    {
        m_bus.registerVirtualObject(QString::fromLatin1(kPath), this);
        m_registered = m_bus.registerService(QString::fromLatin1(kService));
    }
    ~FakePortal() override
    {
        m_bus.unregisterService(QString::fromLatin1(kService));
        m_bus.unregisterObject(QString::fromLatin1(kPath));
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-portal"));
    }
    bool registered() const { return m_registered; }

    void announce(const QString& group, const QString& key, const QVariant& value)
    {
        QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kPath), QString::fromLatin1(kInterface),
                                                         QStringLiteral("SettingChanged"));
        signal << group << key << QVariant::fromValue(QDBusVariant(value));
        m_bus.send(signal);
    }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (message.interface() != QLatin1String(kInterface))
            return false;
        const QVariantList args = message.arguments();
        const bool appearance = args.size() == 2 && args[0].toString() == QLatin1String("org.freedesktop.appearance") &&
                                args[1].toString() == QLatin1String("color-scheme");
        if (message.member() == QLatin1String("ReadOne") && m_kind == Kind::legacy) {
            connection.send(message.createErrorReply(QDBusError::UnknownMethod, QStringLiteral("No ReadOne here")));
        } else if (!appearance || m_kind == Kind::withoutSetting) {
            connection.send(message.createErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotFound"),
                                                     QStringLiteral("Requested setting not found")));
        } else if (message.member() == QLatin1String("Read")) {
            connection.send(message.createReply(QVariant::fromValue(QDBusVariant(QVariant::fromValue(QDBusVariant(m_value))))));
        } else {
            connection.send(message.createReply(QVariant::fromValue(QDBusVariant(m_value))));
        }
        return true;
    }

private:
    Kind m_kind;
    QVariant m_value;
    QDBusConnection m_bus;
    bool m_registered = false;
};

bool settles(const XdgDesktopColorScheme& desktop, ColorScheme expected)
{
    QDeadlineTimer deadline(10000);
    while (desktop.scheme() != expected && !deadline.hasExpired())
        QTest::qWait(10);
    return desktop.scheme() == expected;
}

} // namespace

TEST(ColorSchemeValues, PortalAndGnomeNamesMapOntoTheScheme)
{
    EXPECT_EQ(colorSchemeFromPortal(0), ColorScheme::noPreference);
    EXPECT_EQ(colorSchemeFromPortal(1), ColorScheme::dark);
    EXPECT_EQ(colorSchemeFromPortal(2), ColorScheme::light);
    EXPECT_EQ(colorSchemeFromPortal(7), ColorScheme::noPreference);
    EXPECT_EQ(colorSchemeFromGnome(QString()), ColorScheme::noPreference);
    EXPECT_EQ(colorSchemeFromGnome(QStringLiteral("default")), ColorScheme::noPreference);
    EXPECT_EQ(colorSchemeFromGnome(QStringLiteral("prefer-dark")), ColorScheme::dark);
    EXPECT_EQ(colorSchemeFromGnome(QStringLiteral("prefer-light")), ColorScheme::light);
    EXPECT_EQ(colorSchemeFromGnome(QStringLiteral("Prefer-Dark")), ColorScheme::noPreference);
}

TEST(XdgDesktopColorScheme, ReadsThePortalAndFollowsItsChanges)
{
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "run inside scripts/with-session.sh";
    FakePortal portal(FakePortal::Kind::current, QVariant::fromValue(quint32(1)));
    ASSERT_TRUE(portal.registered());
    XdgDesktopColorScheme desktop;
    QSignalSpy changes(&desktop, &DesktopColorScheme::schemeChanged);
    ASSERT_TRUE(settles(desktop, ColorScheme::dark));
    EXPECT_EQ(desktop.source(), XdgDesktopColorScheme::Source::portal);

    // Other settings, and values of the wrong kind, change nothing.
    portal.announce(QStringLiteral("org.freedesktop.appearance"), QStringLiteral("accent-color"), QVariant::fromValue(quint32(2)));
    portal.announce(QStringLiteral("org.gnome.desktop.interface"), QStringLiteral("color-scheme"), QVariant::fromValue(quint32(2)));
    portal.announce(QStringLiteral("org.freedesktop.appearance"), QStringLiteral("color-scheme"), QStringLiteral("light"));
    portal.announce(QStringLiteral("org.freedesktop.appearance"), QStringLiteral("color-scheme"), QVariant::fromValue(quint32(2)));
    ASSERT_TRUE(settles(desktop, ColorScheme::light));
    portal.announce(QStringLiteral("org.freedesktop.appearance"), QStringLiteral("color-scheme"), QVariant::fromValue(quint32(0)));
    ASSERT_TRUE(settles(desktop, ColorScheme::noPreference));
    ASSERT_EQ(changes.count(), 3);
    EXPECT_EQ(changes.at(1).at(0).value<ColorScheme>(), ColorScheme::light);
}

TEST(XdgDesktopColorScheme, OlderPortalIsReadThroughRead)
{
    FakePortal portal(FakePortal::Kind::legacy, QVariant::fromValue(quint32(1)));
    ASSERT_TRUE(portal.registered());
    XdgDesktopColorScheme desktop;
    ASSERT_TRUE(settles(desktop, ColorScheme::dark));
    EXPECT_EQ(desktop.source(), XdgDesktopColorScheme::Source::portal);
}

TEST(XdgDesktopColorScheme, WithoutThePortalsSettingGnomesSettingIsFollowed)
{
    // In memory: nothing of the machine's own settings is read or written.
    qputenv("GSETTINGS_BACKEND", "memory");
    GSettingsSchemaSource* sources = g_settings_schema_source_get_default();
    GSettingsSchema* schema = sources ? g_settings_schema_source_lookup(sources, "org.gnome.desktop.interface", TRUE) : nullptr;
    if (!schema)
        GTEST_SKIP() << "GNOME's interface schema is not installed";
    g_settings_schema_unref(schema);
    GSettings* gnome = g_settings_new("org.gnome.desktop.interface");
    g_settings_set_string(gnome, "color-scheme", "prefer-dark");

    for (auto kind : {std::optional<FakePortal::Kind>(), std::optional(FakePortal::Kind::withoutSetting)}) {
        std::optional<FakePortal> portal;
        if (kind)
            portal.emplace(*kind, QVariant());
        XdgDesktopColorScheme desktop;
        ASSERT_TRUE(settles(desktop, ColorScheme::dark)) << (kind ? "portal without the setting" : "no portal");
        EXPECT_EQ(desktop.source(), XdgDesktopColorScheme::Source::gsettings);
        g_settings_set_string(gnome, "color-scheme", "prefer-light");
        EXPECT_TRUE(settles(desktop, ColorScheme::light));
        g_settings_set_string(gnome, "color-scheme", "prefer-dark");
        EXPECT_TRUE(settles(desktop, ColorScheme::dark));
    }
    g_object_unref(gnome);
}
