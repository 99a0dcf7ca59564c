#pragma once

// The sharing picker: a menu of the share targets the desktop offers for a list of items (mail
// through the mailto handler, the clipboard, the browser), anchored at the pointer in a view.

#include "shareitems.h"

#include <QWidget>

#include <functional>
#include <vector>

namespace tarnwick::addon {

class SharingPicker {
public:
    /// Runs once, with no arguments, when the picker is done: dismissed, or the chosen target
    /// has finished (successfully or not).
    using Completion = std::function<void()>;

    /// Menu entry texts.
    static const char* const kMailLabel;
    static const char* const kCopyLabel;
    static const char* const kBrowserLabel;

    /// Opens the menu for `items` over `view` and returns at once. The menu stays open until the
    /// user picks a target or dismisses it; the delegate behind it lives until then.
    /// UI thread only.
    static void show(QWidget* view, std::vector<ShareItem> items, Completion completion);

    /// Opens the menu at `global` (screen coordinates; on X11 the root window's), for a foreign
    /// window that has no widget to own it. UI thread only.
    static void showAt(QPoint global, std::vector<ShareItem> items, Completion completion);

    /// Where the menu opens, in `view`'s coordinates: the pointer when it is over the view,
    /// otherwise 150 from the right and 10 from the top.
    static QPoint anchor(const QWidget* view, QPoint pointerGlobal);

    /// The mailto: URI the mail target opens: text and web links in the body, one per line,
    /// files as attach= parameters.
    static QString mailtoUri(const std::vector<ShareItem>& items);

    /// Pickers whose delegate is still waiting for the menu or a target to finish.
    static int liveCount();
};

} // namespace tarnwick::addon
