#pragma once

// Where the panel is that a tray click came from, on X11. The work area says where panels are only
// when a window manager has computed it (a bare X server with a panel has none); the panel's own
// dock window always says where it is. Main thread only.

#include <QPoint>
#include <QRect>
#include <optional>

namespace tarnwick::traypopoverpanel {

/// The dock window (a panel) holding `nativePoint`, both in the window system's pixels; nothing on
/// other platforms or where no dock holds the point.
std::optional<QRect> dockAt(QPoint nativePoint);

/// `area` less the side a panel at `panel` takes: the popover opens off the panel, never over it.
QRect besidePanel(QRect area, QRect panel);

} // namespace tarnwick::traypopoverpanel
