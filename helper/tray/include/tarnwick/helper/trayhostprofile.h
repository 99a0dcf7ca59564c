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

    /// The profile for the watcher's program name (its /proc/<pid>/comm); unknown names get the
    /// square picture, which every host can show.
    static TrayHostProfile forProgram(const std::string& program);
    friend bool operator==(const TrayHostProfile&, const TrayHostProfile&) = default;
};

} // namespace tarnwick
