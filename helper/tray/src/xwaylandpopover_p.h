#pragma once

// On XWayland (an X11 client of a Wayland compositor: GNOME, Plasma) an override-redirect popup is
// placed where asked but can neither grab the pointer nor get the keyboard, so it would never see a
// click elsewhere or Escape. There the popover is an ordinary managed window instead: frameless,
// above the others, out of the task bar and pager, and closed when it loses the focus.

class QWidget;

namespace tarnwick::xwaylandpopover {

/// Whether this process draws through XWayland.
bool active();
/// Asks the window manager to keep the mapped window `window` out of the task bar and pager.
void keepOutOfTaskbar(QWidget& window);

} // namespace tarnwick::xwaylandpopover
