#include "tarnwick/helper/trayhostprofile.h"

namespace tarnwick {

TrayHostProfile TrayHostProfile::forProgram(const std::string& program)
{
    // waybar scales a pixmap to its bar height and keeps the width, but loads theme icons without
    // recolouring them: the wide picture with its haloed glyph reads best there.
    if (program == "waybar")
        return {Picture::wide, false, false};
    // GNOME's AppIndicator extension shows XAyatanaLabel beside a recoloured themed icon.
    if (program == "gnome-shell")
        return {Picture::glyph, true, false};
    // xfce4-panel draws every item in a square slot; a themed icon would hide the pixmap's badge, so
    // the badge picture is what it shows.
    if (program == "xfce4-panel" || program.starts_with("panel-") || program == "wrapper-2.0")
        return {Picture::square, false, false};
    return {};
}

} // namespace tarnwick
