#pragma once

// The tray item's pictures for the different kinds of desktop tray. A host that draws icons in a
// square slot gets a square: the glyph with the total unread as a badge (or the account dots along
// its foot). A host that shows the picture at its own width gets the glyph with the styled title
// beside it, cropped to the glyph's height so the counts stay large when the host scales it down.
// Hosts that show a label beside the icon get the counts as text. The glyph carries a thin halo of
// the opposite lightness, so it stands out on dark and light panels alike. The glyph's outlines and
// the square pictures are kept per size, ink and shown counts, so a redraw with the same look costs
// a look-up. Main thread only.

#include <QColor>
#include <QImage>
#include <string>
#include <vector>

#include "tarnwick/helper/menubartitle.h"
#include "tarnwick/helper/traymodel.h"

namespace tarnwick {

class StyledTitleRenderer;

namespace traypicture {

/// The sides, in pixels, of the square pictures published (hosts pick the nearest and scale).
inline constexpr int kSquareSides[] = {16, 22, 24, 32, 48};

/// The glyph's ink on a panel of colour `background`: near white on dark panels, near black on light.
QColor inkFor(const QColor& background);
/// The colour of the halo around a glyph drawn in `ink`: white around dark ink, black around light.
QColor haloFor(const QColor& ink);
/// The glyph in `ink` with its halo, fitted into `size` pixels (its aspect kept, centred).
QImage glyph(QSize size, const QColor& ink);
/// The badge text for a total: "" for none, the number up to 99, then "99+".
std::string badgeText(std::int64_t total);
/// The count a square picture shows: the unread of the accounts that need no sign-in.
std::int64_t shownTotal(const std::vector<MenuBarAccount>& accounts);

/// A square picture `side` pixels wide: the glyph, and by `display` the badge or the dots. With
/// `solidStrokes` the glyph's strokes are widened to stay solid ink where the host draws the picture
/// at its own size beside a badge (Plasma's 22 pixels); hosts that scale a larger picture down to
/// their slot read better without.
QImage square(int side, const std::vector<MenuBarAccount>& accounts, MenuBarUnreadDisplay display,
              const QColor& ink, bool solidStrokes = false);
/// Only what a square picture adds to the glyph (badge or dots) on a transparent square: the overlay
/// for hosts that draw the themed glyph themselves. Null when there is nothing to add.
QImage overlay(int side, const std::vector<MenuBarAccount>& accounts, MenuBarUnreadDisplay display);
/// The glyph with the styled title beside it, `height` pixels high.
QImage wide(const StyledTitleRenderer& renderer, const StyledTitle& title, const QColor& ink, qreal devicePixelRatio);

/// The label beside the icon: the per-account counts ("3 0 12") or dots ("● ○"); empty for
/// `nothing` or no accounts. The guide is the widest label of that many accounts, so the host
/// reserves a steady width.
std::string label(const std::vector<MenuBarAccount>& accounts, MenuBarUnreadDisplay display);
std::string labelGuide(const std::vector<MenuBarAccount>& accounts, MenuBarUnreadDisplay display);

} // namespace traypicture
} // namespace tarnwick
