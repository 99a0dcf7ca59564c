#pragma once

// The desktop's colour scheme preference, as the XDG desktop portal and GNOME name it, and the port
// through which the helper's windows learn it. Main thread only.

#include <QObject>

namespace tarnwick {

/// What the desktop prefers for applications' colours.
enum class ColorScheme {
    noPreference, ///< the desktop says nothing (or is not known): the platform's own palette stands
    dark,
    light,
};

/// The desktop's colour scheme and its changes. Adapters read it without blocking; until the first
/// answer arrives scheme() is `noPreference`.
class DesktopColorScheme : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~DesktopColorScheme() override = default;

    /// The last preference the desktop reported.
    virtual ColorScheme scheme() const = 0;

Q_SIGNALS:
    /// The preference differs from the one reported before.
    void schemeChanged(tarnwick::ColorScheme scheme);
};

/// The portal's `color-scheme` value (0 none, 1 dark, 2 light); anything else is no preference.
ColorScheme colorSchemeFromPortal(quint32 value);
/// GNOME's `color-scheme` string ("default", "prefer-dark", "prefer-light").
ColorScheme colorSchemeFromGnome(const QString& value);

} // namespace tarnwick
