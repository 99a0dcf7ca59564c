#pragma once

// The picture every mail banner carries: its category's symbol in white on a round badge of the
// category's colour, a PNG of 128 x 128 pixels, so that it reads at a glance in GNOME's and Plasma's
// banners (light or dark) and stays sharp where the desktop scales by two. Rendered once per category
// per process and written once per category, into a directory of this process's own (0700, files
// 0600) in the user's runtime directory, or in the cache directory where there is none; every banner
// of a category shows that one file (no per-banner file work, however many banners come). The
// directory goes when the application quits. Another user learns nothing from it: not even its
// listing is readable to anyone else.
//
// Main thread only (the symbol lookup goes through the icon theme).

#include <QByteArray>
#include <QColor>
#include <optional>

#include "tarnwick/mail/mailcategory.h"
#include "tarnwick/notifications/notificationcontent.h"

namespace tarnwick {

class CategoryAttachment {
public:
    static constexpr int canvasSize = 128;  ///< the picture, in pixels
    static constexpr int badgeMargin = 2;    ///< transparent border around the round badge
    static constexpr int symbolSize = 72;   ///< the symbol's box, centred on the badge

    /// The badge's colour for a category: saturated, dark enough for white on it to read (contrast
    /// at least 4.5:1), and distinct from the other categories'.
    static QColor badgeColor(MailCategory category);
    /// The symbol's colour: white.
    static QColor glyphColor();

    /// The category's picture file ("<raw value>.png" in the private directory, written on first use
    /// and again if it went missing) as a shared attachment "category.<raw value>". Nothing when there
    /// is no picture (silently) or the file cannot be written (logged, and any partial file removed).
    static std::optional<NotificationAttachment> make(MailCategory category);
    /// Removes the private directory and its pictures (also done when the application quits).
    static void removeFiles();
    /// The PNG bytes, rendered on first use and kept; failed renderings are retried next time.
    static std::optional<QByteArray> png(MailCategory category);
    /// Renders the PNG bytes afresh; nothing when the symbol or the encoding fails.
    static std::optional<QByteArray> render(MailCategory category);
};

} // namespace tarnwick
