// Brand mark images keep their colours; the tray glyph is a template (a tintable mask).
#include <gtest/gtest.h>

#include "tarnwick/brand/brandmark.h"
#include "tarnwick/brand/menubarglyph.h"

using namespace tarnwick;

namespace {

int countOpaque(const QImage& img)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += qAlpha(img.pixel(x, y)) > 128;
    return n;
}

bool hasColouredPixel(const QImage& img)
{
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            if (c.alpha() > 200 && c.hsvSaturation() > 80)
                return true;
        }
    return false;
}

} // namespace

TEST(BrandMark, AspectRatios)
{
    EXPECT_DOUBLE_EQ(BrandMark(BrandMarkKind::tarnwick).aspectRatio(), 1.2);
    EXPECT_LT(BrandMark(BrandMarkKind::brisdell).aspectRatio(), 1.0);
}

TEST(BrandMark, ImageSizedFromWidthAtEveryScaleAndKeepsColours)
{
    struct Row {
        double width;
        qreal dpr;
        QSize pixels;
        QSizeF points;
    } rows[] = {
        {18, 1.0, QSize(18, 15), QSizeF(18, 15)},
        {18, 2.0, QSize(36, 30), QSizeF(18, 15)},
        {120, 3.0, QSize(360, 300), QSizeF(120, 100)},
    };
    for (const Row& row : rows) {
        const auto image = BrandMark(BrandMarkKind::tarnwick).image(row.width, row.dpr);
        ASSERT_TRUE(image.has_value());
        EXPECT_EQ(image->size(), row.pixels);
        EXPECT_EQ(image->deviceIndependentSize(), row.points);
        EXPECT_TRUE(hasColouredPixel(*image)) << "width " << row.width;
        EXPECT_GT(countOpaque(*image), 0);
    }
}

TEST(BrandMark, NoImageForWidthsThatMakeNoPicture)
{
    for (double width : {0.0, -5.0})
        EXPECT_FALSE(BrandMark(BrandMarkKind::tarnwick).image(width).has_value()) << width;
}

TEST(MenuBarGlyph, SizeFollowsTheArtwork)
{
    EXPECT_EQ(MenuBarGlyph(BrandMarkKind::tarnwick).size(), QSizeF(18, 15));
    EXPECT_EQ(MenuBarGlyph(BrandMarkKind::brisdell).size(), QSizeF(18, 19.5));
    EXPECT_EQ(BrandMark(BrandMarkKind::brisdell).menuBarGlyph().kind(), BrandMarkKind::brisdell);
}

TEST(MenuBarGlyph, StatusItemImageIsABlackMaskThatTints)
{
    const auto glyph = MenuBarGlyph(BrandMarkKind::tarnwick).statusItemImage(2.0);
    ASSERT_TRUE(glyph.has_value());
    const QImage& mask = glyph->mask();
    EXPECT_EQ(mask.size(), QSize(36, 30));
    EXPECT_EQ(glyph->size(), QSizeF(18, 15));
    EXPECT_GT(countOpaque(mask), 20);
    for (int y = 0; y < mask.height(); ++y)
        for (int x = 0; x < mask.width(); ++x) {
            const QRgb p = mask.pixel(x, y);
            ASSERT_EQ(qRed(p) | qGreen(p) | qBlue(p), 0) << "template pixels carry no colour at " << x << "," << y;
        }

    const QImage white = glyph->tinted(Qt::white);
    EXPECT_EQ(white.devicePixelRatio(), 2.0);
    for (int y = 0; y < white.height(); ++y)
        for (int x = 0; x < white.width(); ++x) {
            const QColor c = white.pixelColor(x, y);
            ASSERT_EQ(c.alpha(), qAlpha(mask.pixel(x, y)));
            if (c.alpha() == 255) {
                ASSERT_EQ(c.rgb(), QColor(Qt::white).rgb());
            }
        }
}
