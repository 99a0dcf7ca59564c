#pragma once

// The small picture every mail banner carries: its category's symbol in grey, centred in a 64 x 64
// PNG. Rendered once per category per process; each banner gets a fresh file of its own in the
// temporary directory, which the notification center removes once the banner is gone.
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
    static constexpr int canvasSize = 64;   ///< the picture, in points (pixels at scale 1)
    static constexpr int symbolSize = 34;   ///< the symbol's box inside it

    /// Opaque grey, white level 0.45.
    static QColor glyphColor();

    /// A new file "tarnwick-<raw value>-<UUID>.png" in the temporary directory holding png(), as an
    /// attachment "category.<raw value>". Nothing when there is no picture (silently) or the file
    /// cannot be written (logged, and any partial file removed).
    static std::optional<NotificationAttachment> make(MailCategory category);
    /// The PNG bytes, rendered on first use and kept; failed renderings are retried next time.
    static std::optional<QByteArray> png(MailCategory category);
    /// Renders the PNG bytes afresh; nothing when the symbol or the encoding fails.
    static std::optional<QByteArray> render(MailCategory category);
};

} // namespace tarnwick
