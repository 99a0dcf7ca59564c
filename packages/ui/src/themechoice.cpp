#include "tarnwick/ui/themechoice.h"

namespace tarnwick::ThemeChoice {

Appearance resolve(std::string_view theme, ColorScheme desktop, Appearance platform)
{
    if (theme == "light")
        return Appearance::light;
    if (theme == "dark")
        return Appearance::dark;
    switch (desktop) {
    case ColorScheme::dark: return Appearance::dark;
    case ColorScheme::light: return Appearance::light;
    case ColorScheme::noPreference: break;
    }
    return platform;
}

} // namespace tarnwick::ThemeChoice
