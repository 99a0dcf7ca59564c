// The tray item's picture: the styled title drawn beside the glyph, and its bus encoding.

#include <QDir>
#include <QPainter>
#include <gtest/gtest.h>

#include "tarnwick/brand/menubarglyph.h"
#include "tarnwick/helper/menubartitle.h"
#include "tarnwick/helper/statusnotifiertypes.h"
#include "tarnwick/helper/styledtitlerenderer.h"

using namespace tarnwick;

namespace {

struct ColourSums {
    double red = 0, green = 0, blue = 0, alpha = 0;
    int opaque = 0; ///< pixels more than half opaque
};

// Sums the straight colours of the pixels in `area` (image pixels), weighted by alpha.
ColourSums sums(const QImage& source, QRect area = {})
{
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    if (area.isNull())
        area = image.rect();
    ColourSums s;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            s.red += c.redF() * c.alphaF();
            s.green += c.greenF() * c.alphaF();
            s.blue += c.blueF() * c.alphaF();
            s.alpha += c.alphaF();
            if (c.alphaF() > 0.5)
                ++s.opaque;
        }
    }
    return s;
}

MenuBarAccount account(std::string color, std::int64_t unread, bool needsAuth = false)
{
    return {"A", std::move(color), unread, needsAuth};
}

QImage solidGlyph(qreal dpr)
{
    QImage glyph(QSize(18, 15) * dpr, QImage::Format_ARGB32_Premultiplied);
    glyph.setDevicePixelRatio(dpr);
    glyph.fill(Qt::black);
    return glyph;
}

} // namespace

TEST(StyledTitleRenderer, SizesFollowTheTitleAndTheScale)
{
    const StyledTitleRenderer renderer;
    EXPECT_TRUE(renderer.renderTitle({}).isNull()) << "an empty title draws nothing";

    const QImage glyphOnly = renderer.renderItem(solidGlyph(1), {});
    EXPECT_EQ(glyphOnly.size(), QSize(18, 22));

    const StyledTitle title = MenuBarTitle::numbers({account("#ff0000", 7), account("#00ff00", 123)},
                                                    renderer.capHeight());
    const double width = renderer.width(title);
    // Two runs and two 3-point spacers: wider than the spacers, and the runs differ only in digits.
    EXPECT_GT(width, 6.0 + 2 * 2 * 5);
    const QImage item = renderer.renderItem(solidGlyph(1), title);
    EXPECT_EQ(item.width(), 18 + int(std::ceil(width)));
    EXPECT_EQ(item.height(), 22);

    const QImage twice = renderer.renderItem(solidGlyph(2), title, 2.0);
    EXPECT_EQ(twice.devicePixelRatio(), 2.0);
    EXPECT_EQ(twice.width(), int(std::ceil((18 + width) * 2)));
    EXPECT_EQ(twice.height(), 44);

    // Spacers take room and draw nothing.
    StyledTitle spacers;
    spacers.segments = {StyledTitle::Image{3, 6, 1, std::nullopt}, StyledTitle::Image{1.5, 6, 1, std::nullopt}};
    EXPECT_DOUBLE_EQ(renderer.width(spacers), 4.5);
    const QImage blank = renderer.renderTitle(spacers);
    EXPECT_EQ(sums(blank).alpha, 0.0);
}

TEST(StyledTitleRenderer, CountsAreDrawnInTheirAccountColourAndZeroFaded)
{
    const StyledTitleRenderer renderer;
    const double cap = renderer.capHeight();
    const QImage red = renderer.renderTitle(MenuBarTitle::numbers({account("#ff0000", 88)}, cap));
    const ColourSums r = sums(red);
    ASSERT_GT(r.opaque, 10) << "the digits are drawn";
    EXPECT_GT(r.red, 4 * (r.green + r.blue)) << "in the account's red";

    const QImage blue = renderer.renderTitle(MenuBarTitle::numbers({account("#0000ff", 88)}, cap));
    const ColourSums b = sums(blue);
    EXPECT_GT(b.blue, 4 * (b.red + b.green));

    // "88" at full strength against a faded "0": the zero's ink is much fainter per pixel drawn.
    const ColourSums zero = sums(renderer.renderTitle(MenuBarTitle::numbers({account("#ff0000", 0)}, cap)));
    ASSERT_GT(zero.alpha, 0.0);
    EXPECT_EQ(zero.opaque, 0) << "no pixel of a quiet account's 0 is more than half opaque";

    // A sign-in account shows a faded zero whatever its count.
    const ColourSums signIn = sums(renderer.renderTitle(MenuBarTitle::numbers({account("#ff0000", 5, true)}, cap)));
    EXPECT_EQ(signIn.opaque, 0);
}

TEST(StyledTitleRenderer, DotsSitCentredOnTheCapitalsAndRingsAreHollow)
{
    const StyledTitleRenderer renderer;
    const double cap = renderer.capHeight();
    // One filled red dot after the 3-point spacer: it covers x 3..9, centred on the capitals.
    const QImage filled = renderer.renderTitle(MenuBarTitle::dots({account("#e11d48", 2)}, cap), 4.0);
    ASSERT_EQ(filled.width(), int(std::ceil(9 * 4.0)));
    const double baseline = (StyledTitleRenderer::kItemHeight + cap) / 2.0;
    const double centreY = baseline - cap / 2.0;
    const QPoint centre(int(6 * 4), int(centreY * 4));
    const QColor middle = filled.pixelColor(centre);
    EXPECT_GT(middle.alphaF(), 0.9);
    EXPECT_GT(middle.redF(), 0.7);
    EXPECT_LT(middle.greenF(), 0.3);
    EXPECT_EQ(sums(filled, QRect(0, 0, 3 * 4 - 1, filled.height())).alpha, 0.0) << "the spacer stays empty";

    const QImage ring = renderer.renderTitle(MenuBarTitle::dots({account("#e11d48", 0)}, cap), 4.0);
    EXPECT_LT(ring.pixelColor(centre).alphaF(), 0.1) << "a quiet account's dot is a ring";
    const ColourSums edge = sums(ring, QRect(centre.x() - 12, centre.y() - 12, 24, 24));
    EXPECT_GT(edge.opaque, 20);
    EXPECT_GT(edge.red, 3 * edge.green);

    // Three accounts: dots at 3, 10.5 and 18 points (1.5-point gaps), no trailing spacer.
    const StyledTitle three = MenuBarTitle::dots({account("#e11d48", 1), account("#e11d48", 1), account("#e11d48", 1)}, cap);
    EXPECT_DOUBLE_EQ(renderer.width(three), 3 + 6 + 1.5 + 6 + 1.5 + 6);
}

TEST(StyledTitleRenderer, GlyphComesFirstAndTheTitleHugsIt)
{
    const StyledTitleRenderer renderer;
    const QImage item = renderer.renderItem(solidGlyph(1), MenuBarTitle::dots({account("#00ff00", 1)}, renderer.capHeight()));
    // The glyph fills x 0..17 between y 3.5 and 18.5; the title's dot starts right after the spacer.
    EXPECT_GT(sums(item, QRect(0, 5, 18, 12)).alpha, 18 * 12 * 0.95);
    EXPECT_EQ(sums(item, QRect(18, 0, 3, 22)).alpha, 0.0);
    const ColourSums dot = sums(item, QRect(21, 0, 6, 22));
    EXPECT_GT(dot.green, 4 * (dot.red + dot.blue));
}

TEST(SniImage, PixelsTravelAsStraightArgbInNetworkOrder)
{
    EXPECT_TRUE(SniImage::fromImage(QImage()).data.isEmpty());

    QImage image(2, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(0x11, 0x22, 0x33, 0x80));
    image.setPixel(1, 0, qRgba(0xff, 0x00, 0x00, 0xff));
    const SniImage sni = SniImage::fromImage(image);
    EXPECT_EQ(sni.width, 2);
    EXPECT_EQ(sni.height, 1);
    EXPECT_EQ(sni.data, QByteArray::fromHex("80112233ffff0000"));

    // A premultiplied source is un-premultiplied on the way.
    QImage premultiplied(1, 1, QImage::Format_ARGB32_Premultiplied);
    premultiplied.fill(QColor(255, 0, 0, 128));
    const SniImage halfRed = SniImage::fromImage(premultiplied);
    ASSERT_EQ(halfRed.data.size(), 4);
    EXPECT_EQ(quint8(halfRed.data[0]), 0x80);
    EXPECT_EQ(quint8(halfRed.data[1]), 0xff);

    EXPECT_EQ(sni.toImage().pixel(0, 0), qRgba(0x11, 0x22, 0x33, 0x80));
    SniImage broken = sni;
    broken.data.chop(1);
    EXPECT_TRUE(broken.toImage().isNull()) << "data that does not match the size is refused";
}

TEST(StyledTitleRenderer, ReviewImages)
{
    // Written for a person to look at (the tray picture at 4x on a light and a dark panel); never compared.
    const QString dir = QStringLiteral(TARNWICK_REVIEW_DIR);
    QDir().mkpath(dir);
    const StyledTitleRenderer renderer;
    const std::vector<MenuBarAccount> accounts = {{"Work", "#2563eb", 7, false},
                                                  {"Home", "#16a34a", 0, false},
                                                  {"Side", "#db2777", 123, false},
                                                  {"Old", "#f59e0b", 4, true}};
    const auto glyph = MenuBarGlyph(BrandMarkKind::tarnwick).statusItemImage(4.0);
    ASSERT_TRUE(glyph.has_value());
    QImage numbers = renderer.renderItem(glyph->tinted(Qt::black), MenuBarTitle::numbers(accounts, renderer.capHeight()), 4.0);
    QImage dots = renderer.renderItem(glyph->tinted(Qt::white), MenuBarTitle::dots(accounts, renderer.capHeight()), 4.0);
    numbers.setDevicePixelRatio(1.0); // shown pixel for pixel, magnified
    dots.setDevicePixelRatio(1.0);
    QImage sheet(QSize(std::max(numbers.width(), dots.width()) + 32, numbers.height() + dots.height() + 48),
                 QImage::Format_ARGB32_Premultiplied);
    sheet.fill(QColor(0xf2, 0xf2, 0xf2));
    QPainter painter(&sheet);
    painter.drawImage(QPoint(16, 16), numbers);
    painter.fillRect(QRect(0, numbers.height() + 24, sheet.width(), dots.height() + 24), QColor(0x20, 0x20, 0x24));
    painter.drawImage(QPoint(16, numbers.height() + 36), dots);
    painter.end();
    EXPECT_TRUE(sheet.save(dir + "/tray-item.png"));
}
