#pragma once

// Texts that came from the main application or from mail go onto the session bus (banners, the tray
// item's title and tooltip). The bus drops a client that sends a message over its limit, and a
// desktop shows no more than a few lines of any of them: each is cut to a bound first.

#include <QString>

namespace tarnwick {

/// Bounds, in UTF-16 code units, for what the desktop shows in one line and in a paragraph.
inline constexpr qsizetype kBusLineLength = 512;
inline constexpr qsizetype kBusParagraphLength = 4096;

/// `text` when it has at most `limit` code units; else its start, cut between two characters as the
/// user sees them (never inside a surrogate pair or a combining sequence), followed by "…", the
/// whole at most `limit` long.
QString boundedText(const QString& text, qsizetype limit);

} // namespace tarnwick
