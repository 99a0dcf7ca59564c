#pragma once

// Which appearance the helper's windows take: the `theme` preference ("light", "dark", "system")
// against the desktop's colour scheme and the appearance of the platform's own palette. Pure.

#include <string_view>

#include "tarnwick/platform/colorscheme.h"

namespace tarnwick {

enum class Appearance { light, dark };

namespace ThemeChoice {

/// "light" and "dark" force their appearance; "system" and any other value follow the desktop's
/// preference, and where the desktop states none, the platform palette's own appearance.
Appearance resolve(std::string_view theme, ColorScheme desktop, Appearance platform);

} // namespace ThemeChoice

} // namespace tarnwick
