#pragma once

// Styles built from palette colours (a label's explicit text colour, an icon drawn in the text colour,
// a style sheet with colours written in) do not follow a new application palette by themselves: they
// register here and are rebuilt each time the application palette changes. Main thread only.

#include <functional>

class QObject;

namespace tarnwick::PaletteFollower {

/// Calls `restyle` after every change of the application palette (QApplication::palette() already
/// holds the new one) for as long as `context` lives.
void follow(QObject* context, std::function<void()> restyle);

} // namespace tarnwick::PaletteFollower
