#pragma once

// The context menu of a message row: Open in Tarnwick; Archive, Mark as Read/Unread; Delete.

#include <functional>

#include "tarnwick/helper/traymodel.h"

class QMenu;
class QWidget;

namespace tarnwick {

/// A new menu (owned by `parent`) for `message`. "Delete" carries the dynamic property "destructive".
QMenu* threadContextMenu(const TrayMessage& message, std::function<void()> onOpen,
                         std::function<void(TrayThreadAction)> onAction, QWidget* parent);

} // namespace tarnwick
