#include "tarnwick/helper/trayhostprofile.h"

namespace tarnwick {

TrayHostProfile TrayHostProfile::forProgram(const std::string& program)
{
    TrayHostProfile profile;
    // waybar scales a pixmap to its bar height and keeps the width, but loads theme icons without
    // recolouring them: the wide picture with its haloed glyph reads best there.
    if (program == "waybar") {
        profile.picture = Picture::wide;
        profile.themedIcon = false;
        profile.overlay = false;
    }
    // GNOME's AppIndicator extension shows XAyatanaLabel beside a recoloured themed icon. It drops
    // items registered by service name now and then, and after one successful Activate it opens
    // anything only on a double click or through the item's menu: so the menu stays empty and each
    // activation is reported as cancelled, which keeps every single click an activation.
    else if (program == "gnome-shell") {
        profile.picture = Picture::glyph;
        profile.overlay = false;
        profile.menuEntries = false;
        profile.registerByPath = true;
        profile.activationReportsCancelled = true;
    }
    // xfce4-panel draws every item in a square slot; a themed icon would hide the pixmap's badge, so
    // the badge picture is what it shows.
    else if (program == "xfce4-panel" || program.starts_with("panel-") || program == "wrapper-2.0") {
        profile.picture = Picture::square;
        profile.themedIcon = false;
        profile.overlay = false;
    }
    // Plasma (its watcher lives in kded5) draws a themed icon in its own fixed grey, ignores the
    // pixmaps while an icon name is set, shrinks the overlay to a speck and shows no label: the square
    // picture alone, drawn at its 22 pixels with solid strokes beside the badge.
    else if (program == "kded5" || program == "kded6" || program == "plasmashell") {
        profile.picture = Picture::square;
        profile.themedIcon = false;
        profile.overlay = false;
        profile.solidStrokes = true;
    }
    return profile;
}

TrayHostProfile TrayHostProfile::forDisplay(bool dots) const
{
    if (!dots || picture != Picture::glyph)
        return *this;
    // A label is drawn in the panel's text colour: coloured dots would all turn white.
    TrayHostProfile drawn = *this;
    drawn.picture = Picture::wide;
    drawn.themedIcon = false;
    drawn.label = false;
    return drawn;
}

} // namespace tarnwick
