#pragma once

// What every widget view reads besides the snapshot: the clock, time zone and locale of the date
// labels, and the colours and fonts of the desktop. Tests fix all of it.

#include <QColor>
#include <QDateTime>
#include <QFont>
#include <QLocale>
#include <QTimeZone>

namespace tarnwick {

struct WidgetEnvironment {
    QDateTime now;
    QTimeZone timeZone;
    QLocale locale;

    QColor primary;    ///< text and the base of the fills and hairlines
    QColor secondary;
    QColor tertiary;
    QColor accent;     ///< the desktop's accent; stands in for unknown accounts and bad colours
    QColor green;      ///< "All caught up"
    QColor background; ///< the widget's card under its tertiary fill
    bool dark = false;

    /// The current time, the system time zone and locale, and colours from the application palette
    /// (light or dark follows the palette's window colour).
    static WidgetEnvironment current();

    /// The primary colour at `opacity` (the hairline, group and tile fills).
    QColor primaryAt(qreal opacity) const;

    /// The system font at `size` points (one point is one device-independent pixel here) and weight.
    static QFont font(qreal size, QFont::Weight weight = QFont::Normal);
};

/// Style constants: the primary colour at these opacities.
namespace metrics {
inline constexpr qreal hairline = 0.08;  ///< 1-point borders and dividers
inline constexpr qreal groupFill = 0.04; ///< background of a message group
inline constexpr qreal tileFill = 0.06;  ///< background of account chips and tiles
} // namespace metrics

} // namespace tarnwick
