#include "tarnwick/helper/traypicture.h"

#include <QFontDatabase>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <cmath>
#include <map>
#include <tuple>
#include <unordered_map>

#include "tarnwick/brand/symbolicglyph.h"
#include "tarnwick/helper/styledtitlerenderer.h"
#include "tarnwick/ui/accountdot.h"

namespace tarnwick::traypicture {

namespace {

constexpr double kHaloWidth = 1.6; // pixels, whatever the size: enough to separate ink from panel
// The artwork's thinnest strokes (its inner lines), in its own units, and the least width a stroke
// may have on screen: thinner ones turn into faint grey smears at tray sizes.
constexpr double kThinnestStrokeUnits = 1.5;
constexpr double kLeastStrokePixels = 1.5;
constexpr std::size_t kMaxDots = 4;
const QColor kBadge(0xd9, 0x3b, 0x30);

QImage transparent(QSize size, qreal dpr = 1.0)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);
    return image;
}

// The glyph's outline scaled into `box` (pixels), aspect kept, centred; with `widened`, its strokes
// widened to at least kLeastStrokePixels.
QPainterPath fitted(const QRectF& box, bool widened)
{
    static const QPainterPath shape = symbolicglyph::shape(BrandMarkKind::tarnwick);
    const QRectF bounds = shape.boundingRect();
    // Room for the widening, so the glyph stays inside its box.
    const double room = widened ? kLeastStrokePixels / 2 : 0;
    const QRectF inner = box.adjusted(room, room, -room, -room);
    const double scale = std::min(inner.width() / bounds.width(), inner.height() / bounds.height());
    QTransform t;
    t.translate(inner.center().x(), inner.center().y());
    t.scale(scale, scale);
    t.translate(-bounds.center().x(), -bounds.center().y());
    const QPainterPath path = t.map(shape);
    const double widen = kLeastStrokePixels - kThinnestStrokeUnits * scale;
    if (!widened || widen <= 0)
        return path;
    QPainterPathStroker stroker;
    stroker.setWidth(widen);
    stroker.setJoinStyle(Qt::RoundJoin);
    stroker.setCapStyle(Qt::RoundCap);
    return stroker.createStroke(path).united(path);
}

// The glyph's ink and halo outlines for one box. Uniting the stroked outlines is most of what a
// picture costs (Qt's path clipper), and a tray asks for the same few boxes again and again, so they
// are kept. A handful of boxes per slot size; the bound only guards against a tray resizing forever.
struct GlyphOutline {
    QPainterPath ink;
    QPainterPath halo;
};

const GlyphOutline& glyphOutline(const QRectF& box, bool widened)
{
    using Key = std::tuple<double, double, double, double, bool>;
    static std::map<Key, GlyphOutline> outlines;
    constexpr std::size_t kMaxOutlines = 64;
    const Key key{box.x(), box.y(), box.width(), box.height(), widened};
    if (auto found = outlines.find(key); found != outlines.end())
        return found->second;
    if (outlines.size() >= kMaxOutlines)
        outlines.clear();
    GlyphOutline outline;
    outline.ink = fitted(box.adjusted(kHaloWidth, kHaloWidth, -kHaloWidth, -kHaloWidth), widened);
    QPainterPathStroker stroker;
    stroker.setWidth(2 * kHaloWidth);
    stroker.setJoinStyle(Qt::RoundJoin);
    stroker.setCapStyle(Qt::RoundCap);
    outline.halo = stroker.createStroke(outline.ink).united(outline.ink);
    return outlines.emplace(key, std::move(outline)).first->second;
}

void paintGlyph(QPainter& painter, const QRectF& box, const QColor& ink, bool widened = false)
{
    const GlyphOutline& outline = glyphOutline(box, widened);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QColor halo = haloFor(ink);
    halo.setAlphaF(0.85f);
    painter.fillPath(outline.halo, halo);
    painter.fillPath(outline.ink, ink);
    painter.restore();
}

// The largest slot that gets the compact badge: a band across the picture's foot.
constexpr int kCompactBadgeSide = 18;
// The least height of the badge's digits, in pixels: smaller ones blur into a red blob.
constexpr double kLeastDigitPixels = 8;

QFont badgeFont(double pixelSize)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setBold(true);
    font.setPixelSize(std::max(1, int(std::round(pixelSize))));
    return font;
}

// On a small slot a pill with round ends has no room for digits of a legible height: the badge is a
// red band across the foot, its digits kLeastDigitPixels tall on a whole-pixel baseline (so their
// top and bottom rows are solid white, not blended into the red) with a pixel of red around them,
// squeezed sideways when they are wider than that. No light rim: it would merge with the digits.
// The glyph keeps the rows above.
void paintCompactBadge(QPainter& painter, int side, const QString& digits)
{
    QFont font = badgeFont(kLeastDigitPixels / 0.72);
    while (QFontMetricsF(font).capHeight() < kLeastDigitPixels - 0.05 && font.pixelSize() < side)
        font.setPixelSize(font.pixelSize() + 1);
    const QFontMetricsF metrics(font);
    const double cap = std::ceil(metrics.capHeight() - 0.05);
    const double height = std::min<double>(side, cap + 2);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kBadge);
    painter.drawRoundedRect(QRectF(0, side - height, side, height), 2, 2);
    const double room = side - 3.0;
    const double advance = metrics.horizontalAdvance(digits);
    const double squeeze = advance > room ? room / advance : 1.0;
    painter.translate(side / 2.0, side - 1.0);
    painter.scale(squeeze, 1.0);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QPointF(-advance / 2, 0), digits);
    painter.restore();
}

void paintBadge(QPainter& painter, int side, const std::string& text)
{
    const QString digits = QString::fromStdString(text);
    if (side <= kCompactBadgeSide) {
        paintCompactBadge(painter, side, digits);
        return;
    }
    // In a pill at the bottom right, its digits about 0.43 of the side tall.
    const QFont font = badgeFont(side * 0.6);
    const QFontMetricsF metrics(font);
    const double height = std::min<double>(side, metrics.capHeight() + std::max(3.0, side * 0.16));
    const double width = std::min<double>(side, std::max(height, metrics.horizontalAdvance(digits) + height * 0.45));
    const QRectF pill(side - width, side - height, width, height);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(255, 255, 255, 220), std::max(1.0, side / 24.0)));
    painter.setBrush(kBadge);
    painter.drawRoundedRect(pill, height / 2, height / 2);
    painter.setFont(font);
    painter.setPen(Qt::white);
    const double baseline = pill.center().y() + metrics.capHeight() / 2;
    painter.drawText(QPointF(pill.center().x() - metrics.horizontalAdvance(digits) / 2, baseline), digits);
    painter.restore();
}

void paintDots(QPainter& painter, int side, const std::vector<MenuBarAccount>& accounts)
{
    const std::size_t count = std::min(accounts.size(), kMaxDots);
    const double diameter = std::max(4.0, side * 0.3);
    const double gap = std::max(1.0, side * 0.05);
    double x = side - count * diameter - (count - 1) * gap;
    for (std::size_t i = 0; i < count; ++i) {
        const MenuBarAccount& account = accounts[i];
        const bool filled = !account.needsAuth && account.unreadCount > 0;
        const QRectF disc(x, side - diameter, diameter, diameter);
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        // A light rim keeps a dark account colour visible on a dark panel.
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(255, 255, 255, 200));
        painter.drawEllipse(disc.adjusted(-1, -1, 1, 1));
        const QImage dot = AccountDot::image(QString::fromStdString(account.color), filled, diameter,
                                             std::max(1.0, diameter / 4), 1.0);
        painter.drawImage(disc, dot);
        painter.restore();
        x += diameter + gap;
    }
}

bool paintAddition(QPainter& painter, int side, const std::vector<MenuBarAccount>& accounts,
                   MenuBarUnreadDisplay display)
{
    if (display == MenuBarUnreadDisplay::numbers) {
        const std::string text = badgeText(shownTotal(accounts));
        if (text.empty())
            return false;
        paintBadge(painter, side, text);
        return true;
    }
    if (display == MenuBarUnreadDisplay::dots && !accounts.empty()) {
        paintDots(painter, side, accounts);
        return true;
    }
    return false;
}

} // namespace

QColor inkFor(const QColor& background)
{
    return background.lightnessF() < 0.5 ? QColor(0xf4, 0xf4, 0xf4) : QColor(0x1f, 0x1f, 0x1f);
}

QColor haloFor(const QColor& ink)
{
    return ink.lightnessF() < 0.5 ? QColor(Qt::white) : QColor(Qt::black);
}

QImage glyph(QSize size, const QColor& ink)
{
    QImage image = transparent(size);
    QPainter painter(&image);
    paintGlyph(painter, QRectF(QPointF(0, 0), QSizeF(size)), ink);
    return image;
}

std::string badgeText(std::int64_t total)
{
    if (total < 1)
        return {};
    return total > 99 ? "99+" : std::to_string(total);
}

std::int64_t shownTotal(const std::vector<MenuBarAccount>& accounts)
{
    std::int64_t total = 0;
    for (const MenuBarAccount& account : accounts)
        if (!account.needsAuth && account.unreadCount > 0)
            total += account.unreadCount;
    return total;
}

namespace {

// What a square picture shows, as a key: its size, ink and strokes, and only the part of the counts
// it draws (the badge's text, or the first dots), so counts that change behind a steady badge reuse
// the picture.
std::string squareKey(int side, const std::vector<MenuBarAccount>& accounts, MenuBarUnreadDisplay display,
                      const QColor& ink, bool solidStrokes)
{
    std::string key = std::to_string(side) + '|' + std::to_string(ink.rgba()) + '|' + (solidStrokes ? 's' : 'p') + '|';
    switch (display) {
    case MenuBarUnreadDisplay::nothing: key += 'n'; break;
    case MenuBarUnreadDisplay::numbers: key += 'b' + badgeText(shownTotal(accounts)); break;
    case MenuBarUnreadDisplay::dots:
        key += 'd';
        for (std::size_t i = 0; i < std::min(accounts.size(), kMaxDots); ++i)
            key += accounts[i].color + ((!accounts[i].needsAuth && accounts[i].unreadCount > 0) ? "+" : "-");
        break;
    }
    return key;
}

// The glyph alone on a transparent square: what every picture of that size, ink and place shares,
// so a new count only draws its badge.
QImage glyphLayer(int side, const QRectF& box, const QColor& ink, bool solidStrokes)
{
    using Key = std::tuple<int, double, double, double, double, QRgb, bool>;
    static std::map<Key, QImage> layers;
    constexpr std::size_t kMaxLayers = 64;
    const Key key{side, box.x(), box.y(), box.width(), box.height(), ink.rgba(), solidStrokes};
    if (auto found = layers.find(key); found != layers.end())
        return found->second;
    if (layers.size() >= kMaxLayers)
        layers.clear();
    QImage image = transparent(QSize(side, side));
    QPainter painter(&image);
    paintGlyph(painter, box, ink, solidStrokes);
    painter.end();
    return layers.emplace(key, image).first->second;
}

QImage drawSquare(int side, const std::vector<MenuBarAccount>& accounts, MenuBarUnreadDisplay display,
                  const QColor& ink, bool solidStrokes)
{
    const bool badge = display == MenuBarUnreadDisplay::numbers && shownTotal(accounts) > 0;
    // With a badge the glyph keeps to the top left, so the digits do not cover it; above a compact
    // badge it takes the whole width, the band covering only its foot.
    const QRectF box = !badge                       ? QRectF(0, 0, side, side)
                       : side <= kCompactBadgeSide ? QRectF(0, 0, side, side * 0.72)
                                                   : QRectF(0, 0, side * 0.85, side * 0.8);
    QImage image = glyphLayer(side, box, ink, solidStrokes);
    QPainter painter(&image); // a copy of its own from here
    paintAddition(painter, side, accounts, display);
    return image;
}

} // namespace

QImage square(int side, const std::vector<MenuBarAccount>& accounts, MenuBarUnreadDisplay display, const QColor& ink,
              bool solidStrokes)
{
    // Pictures per size, ink (the palette) and shown counts. Each redraw asks for five sizes; a badge
    // steps through at most a hundred texts, so the bound keeps the usual ones.
    static std::unordered_map<std::string, QImage> pictures;
    constexpr std::size_t kMaxPictures = 256;
    std::string key = squareKey(side, accounts, display, ink, solidStrokes);
    if (auto found = pictures.find(key); found != pictures.end())
        return found->second;
    if (pictures.size() >= kMaxPictures)
        pictures.clear();
    QImage image = drawSquare(side, accounts, display, ink, solidStrokes);
    pictures.emplace(std::move(key), image);
    return image;
}

QImage overlay(int side, const std::vector<MenuBarAccount>& accounts, MenuBarUnreadDisplay display)
{
    QImage image = transparent(QSize(side, side));
    QPainter painter(&image);
    if (!paintAddition(painter, side, accounts, display))
        return {};
    return image;
}

QImage wide(const StyledTitleRenderer& renderer, const StyledTitle& title, const QColor& ink, qreal devicePixelRatio)
{
    // The glyph at the tray glyph's size (18 x 15 points), drawn from its outline so the halo fits.
    const QSize glyphPixels(int(std::round(18 * devicePixelRatio)), int(std::round(15 * devicePixelRatio)));
    QImage mark = glyph(glyphPixels, ink);
    mark.setDevicePixelRatio(devicePixelRatio);
    const QImage item = renderer.renderItem(mark, title, devicePixelRatio);
    // Only the band the glyph and the capitals occupy: a host scaling the picture to its own height
    // keeps the digits as large as it can.
    const double band = 16;
    const int top = int(std::round((StyledTitleRenderer::kItemHeight - band) / 2 * devicePixelRatio));
    QImage cropped = item.copy(0, top, item.width(), int(std::round(band * devicePixelRatio)));
    cropped.setDevicePixelRatio(devicePixelRatio);
    return cropped;
}

std::string label(const std::vector<MenuBarAccount>& accounts, MenuBarUnreadDisplay display)
{
    std::string text;
    for (const MenuBarAccount& account : accounts) {
        if (!text.empty())
            text += " ";
        const std::int64_t shown = account.needsAuth ? 0 : account.unreadCount;
        switch (display) {
        case MenuBarUnreadDisplay::nothing: return {};
        case MenuBarUnreadDisplay::numbers: text += std::to_string(shown); break;
        case MenuBarUnreadDisplay::dots: text += shown > 0 ? "\xE2\x97\x8F" : "\xE2\x97\x8B"; break; // ● ○
        }
    }
    return text;
}

std::string labelGuide(const std::vector<MenuBarAccount>& accounts, MenuBarUnreadDisplay display)
{
    std::string guide;
    for (const MenuBarAccount& account : accounts) {
        if (!guide.empty())
            guide += " ";
        const std::int64_t shown = account.needsAuth ? 0 : account.unreadCount;
        switch (display) {
        case MenuBarUnreadDisplay::nothing: return {};
        case MenuBarUnreadDisplay::numbers: guide += std::string(std::max<std::size_t>(2, std::to_string(shown).size()), '8'); break;
        case MenuBarUnreadDisplay::dots: guide += "\xE2\x97\x8F"; break;
        }
    }
    return guide;
}

} // namespace tarnwick::traypicture
