#pragma once

// The desktop's colour scheme on Linux: the XDG desktop portal's `org.freedesktop.appearance`
// `color-scheme` where a portal answers (read once, then followed through SettingChanged), else
// GNOME's `org.gnome.desktop.interface` `color-scheme` through GSettings where that schema is
// installed, else no preference. Bus calls are asynchronous; main thread only.

#include <QDBusConnection>
#include <QDBusVariant>
#include <memory>

#include "tarnwick/platform/colorscheme.h"

namespace tarnwick {

class XdgDesktopColorScheme final : public DesktopColorScheme {
    Q_OBJECT
public:
    /// On the process's session bus, following it when it reconnects.
    explicit XdgDesktopColorScheme(QObject* parent = nullptr);
    XdgDesktopColorScheme(const QDBusConnection& connection, QObject* parent);
    ~XdgDesktopColorScheme() override;

    ColorScheme scheme() const override { return m_scheme; }

    /// Where the preference comes from now, for the log and tests.
    enum class Source { none, portal, gsettings };
    Source source() const { return m_source; }

private:
    void listenOn(const QDBusConnection& connection);
    void readPortal(bool legacyRead);
    void portalSettingChanged(const QString& group, const QString& key, const QDBusVariant& value);
    void useGSettings();
    void report(ColorScheme scheme);

    struct GSettingsWatch;
    QDBusConnection m_bus;
    ColorScheme m_scheme = ColorScheme::noPreference;
    Source m_source = Source::none;
    std::unique_ptr<GSettingsWatch> m_gsettings;
};

} // namespace tarnwick
