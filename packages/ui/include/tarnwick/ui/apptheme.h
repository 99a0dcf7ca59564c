#pragma once

// Puts the `theme` preference into effect for every window of the program: the application palette
// becomes light or dark (the platform's own palette where it already has the wanted appearance, so the
// desktop's colours are kept), and follows the desktop's colour scheme live while the preference is
// "system". Widgets that draw with palette colours see an ordinary palette change. Main thread only.

#include <QObject>
#include <QPalette>
#include <string>

#include "tarnwick/platform/colorscheme.h"
#include "tarnwick/ui/themechoice.h"

namespace tarnwick {

class AppTheme : public QObject {
    Q_OBJECT
public:
    /// Takes the application's palette at this moment as the platform's own. `desktop` must outlive
    /// this object.
    explicit AppTheme(DesktopColorScheme& desktop, QObject* parent = nullptr);

    /// Applies `theme` ("light", "dark", "system"; any other value counts as "system").
    void setTheme(std::string theme);
    const std::string& theme() const { return m_theme; }
    /// The appearance in effect.
    Appearance appearance() const { return m_appearance; }

    /// The product's own palettes, used where the platform's does not have the wanted appearance.
    static QPalette lightPalette();
    static QPalette darkPalette();
    /// Dark when the window colour is darker than its text.
    static Appearance appearanceOf(const QPalette& palette);

Q_SIGNALS:
    void appearanceChanged(tarnwick::Appearance appearance);

private:
    void apply();

    DesktopColorScheme& m_desktop;
    QPalette m_platformPalette;
    std::string m_theme = "system";
    Appearance m_appearance;
};

} // namespace tarnwick
