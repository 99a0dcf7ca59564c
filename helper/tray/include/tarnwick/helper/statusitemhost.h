#pragma once

// Port: the desktop's tray (a StatusNotifierItem on Linux) as the menu bar controller uses it. The
// host draws the glyph and the styled title, turns clicks into togglePopover, and hosts the popover
// view. The controller keeps all the rules (debounce, events, bookkeeping); the host keeps pixels.

#include <functional>
#include <string>

#include "tarnwick/helper/menubartitle.h"
#include "tarnwick/helper/traymenu.h"
#include "tarnwick/helper/traymodel.h"
#include "tarnwick/helper/traypopoveractions.h"

namespace tarnwick {

class TrayModel;

/// Calls from the host back into the controller, on the main thread. They hold the controller weakly:
/// after it is gone they do nothing.
struct StatusItemCallbacks {
    std::function<void()> togglePopover;    ///< the item was pressed (left or right button, on press)
    std::function<void()> popoverWillClose; ///< the popover is closing (also when it closes by itself)
    std::function<void()> popoverDidClose;
    std::function<void(TrayMenuCommand)> menuCommand; ///< an entry of the item's own menu was chosen
};

class StatusItemHost {
public:
    virtual ~StatusItemHost() = default;

    /// Puts the item in the tray: the brand glyph as a template image of the glyph size with the
    /// accessibility description "Tarnwick", the title right after it. Called once per item.
    virtual void attach(StatusItemCallbacks callbacks) = 0;
    /// Takes the item out of the tray.
    virtual void remove() = 0;
    /// Whether the item has a button to draw on (false while the desktop has not given it one).
    virtual bool hasButton() const = 0;
    /// The cap height, in points, of the title font (MenuBarTitle::kFontPointSize) as the host draws
    /// it; inline images are centred on it.
    virtual double titleCapHeight() const = 0;
    /// The accounts and display style behind the next title, for hosts that show the counts their own
    /// way (a badge in a square icon slot, a label beside the icon). Called right before setTitle.
    virtual void setCounts(const std::vector<MenuBarAccount>& accounts, MenuBarUnreadDisplay display)
    {
        (void)accounts;
        (void)display;
    }
    /// The title after the glyph and the description spoken for the glyph.
    virtual void setTitle(const StyledTitle& title, const std::string& accessibilityDescription) = 0;
    /// Opens a transient popover below the item with a new view of `model` whose controls call
    /// `actions`, replacing any earlier popover.
    virtual void showPopover(TrayModel& model, TrayPopoverActions actions) = 0;
    /// Asks the popover to close (it reports popoverWillClose / popoverDidClose).
    virtual void closePopover() = 0;
    /// Whether a popover is on screen now.
    virtual bool isPopoverShown() const = 0;
};

} // namespace tarnwick
