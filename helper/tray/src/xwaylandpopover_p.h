#pragma once

// On XWayland (an X11 client of a Wayland compositor: GNOME, Plasma) an override-redirect popup is
// placed where asked but can neither grab the pointer nor get the keyboard, so it would never see a
// click elsewhere or Escape. There the popover is an ordinary managed window instead: frameless,
// above the others, out of the task bar and pager, and closed when it loses the focus.

class QString;
class QWidget;

namespace tarnwick::xwaylandpopover {

/// Whether this process draws through XWayland.
bool active();
/// Keeps `window` out of the task bar and pager: as a property before it is first mapped (Qt keeps
/// states it does not manage), and as a request to the window manager once it is.
void keepOutOfTaskbar(QWidget& window);
/// Names the desktop's activation token as the unmapped window's startup id, so the window manager
/// lets it take the focus when it maps (its click came from the user). Nothing for an empty token.
void setStartupId(QWidget& window, const QString& token);

} // namespace tarnwick::xwaylandpopover
