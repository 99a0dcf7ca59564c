#pragma once

// The keys every ordinary window of the product answers: Escape and Ctrl+W close it, as in GNOME and
// KDE applications. Pop-ups (menus, open combo boxes) take Escape first, so it closes only them.

class QWidget;

namespace tarnwick::WindowKeys {

/// Makes Escape and Ctrl+W close `window` (a top-level widget).
void closeOnEscape(QWidget* window);

} // namespace tarnwick::WindowKeys
