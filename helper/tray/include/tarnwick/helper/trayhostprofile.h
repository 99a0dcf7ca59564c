#pragma once

// How a desktop tray shows an item, decided from the program that owns the desktop's
// StatusNotifierWatcher. Hosts differ: most draw the icon in a square slot (a wide picture is
// squeezed until its digits are unreadable), some show the picture at its own width, some show a
// text label beside a themed icon.

#include <string>

namespace tarnwick {

struct TrayHostProfile {
    enum class Picture {
        square, ///< the glyph with a badge (or dots) in a square
        wide,   ///< the glyph with the styled title beside it
        glyph,  ///< the glyph alone; the counts go into the label
    };
    Picture picture = Picture::square;
    /// Publish the themed symbolic icon (IconName), which the host recolours for its panel; the
    /// pixmaps stay for hosts that cannot find it.
    bool themedIcon = true;
    /// Publish the badge or dots as an overlay over the themed icon.
    bool overlay = true;
    /// Publish the counts as XAyatanaLabel.
    bool label = true;
    /// Draw the square picture's glyph with widened, solid strokes (see traypicture::square).
    bool solidStrokes = false;
    /// The item's menu holds the main commands (shown on a right click). Off where any menu entry
    /// would take the left click away from the popover.
    bool menuEntries = true;
    /// Register with the watcher by object path rather than by the item's service name.
    bool registerByPath = false;
    /// Answer Activate with a "cancelled" error after handling it, for hosts that otherwise open the
    /// popover only on a double click once an activation has succeeded.
    bool activationReportsCancelled = false;

    /// The profile for the watcher's program name (its /proc/<pid>/comm); unknown names get the
    /// square picture, which every host can show.
    static TrayHostProfile forProgram(const std::string& program);
    /// This profile as it applies to a display style: where the label cannot keep the accounts'
    /// colours (GNOME's), the dots are drawn into the picture instead.
    TrayHostProfile forDisplay(bool dots) const;
    friend bool operator==(const TrayHostProfile&, const TrayHostProfile&) = default;
};

} // namespace tarnwick
