#pragma once

// Judging a tray item from a screenshot: WCAG contrast between two screen colours, the item's red
// badge and the glyph's pixels beside it.

#include <QImage>
#include <QRect>
#include <QRgb>
#include <algorithm>
#include <cmath>

namespace tarnwick::test {

inline double luminance(QRgb c)
{
    auto channel = [](int v) {
        const double s = v / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(c)) + 0.7152 * channel(qGreen(c)) + 0.0722 * channel(qBlue(c));
}

inline double contrast(QRgb a, QRgb b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

/// A pixel of the unread badge's red.
inline bool isBadge(QRgb c)
{
    return qRed(c) > 150 && qGreen(c) < 110 && qBlue(c) < 110;
}

/// The box around the badge's red pixels within `item`; empty when there is no badge.
inline QRect badgeBounds(const QImage& shot, const QRect& item)
{
    QRect badge;
    for (int y = item.top(); y <= item.bottom(); ++y)
        for (int x = item.left(); x <= item.right(); ++x)
            if (isBadge(shot.pixel(x, y)))
                badge |= QRect(x, y, 1, 1);
    return badge;
}

/// The pixels of `item` outside the badge (and a pixel around it) that stand out from `background`
/// with a contrast of at least 4.5: the glyph as the user sees it.
inline int glyphPixels(const QImage& shot, const QRect& item, QRgb background, const QRect& badge)
{
    int count = 0;
    for (int y = item.top(); y <= item.bottom(); ++y)
        for (int x = item.left(); x <= item.right(); ++x)
            if (!badge.adjusted(-1, -1, 1, 1).contains(x, y) && contrast(shot.pixel(x, y), background) >= 4.5)
                ++count;
    return count;
}

} // namespace tarnwick::test
