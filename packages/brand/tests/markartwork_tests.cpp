// The artwork's SVG text: its root, its one-decimal numbers, and that it draws what it says.
#include <QImage>
#include <gtest/gtest.h>

#include "tarnwick/brand/brandmark.h"
#include "tarnwick/brand/markartwork.h"

using namespace tarnwick;

namespace {

bool near(QColor c, QColor expected, int tolerance = 12)
{
    return c.alpha() > 240 && std::abs(c.red() - expected.red()) <= tolerance &&
           std::abs(c.green() - expected.green()) <= tolerance && std::abs(c.blue() - expected.blue()) <= tolerance;
}

// Renders the artwork at ten pixels per SVG unit, so (x, y) in SVG units is pixel (10x, 10y).
QImage atTenTimes(const ArtworkDefinition& def)
{
    auto image = brand::renderSvg(def.svg, QSizeF(def.width, def.height), 10.0);
    EXPECT_TRUE(image.has_value());
    return image ? *image : QImage();
}

} // namespace

TEST(MarkArtwork, RootCarriesSizeWithOneFractionalDigit)
{
    struct Row {
        const ArtworkDefinition& def;
        const char* root;
        double aspect;
    } rows[] = {
        {markartwork::envelope(),
         "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 36.0 30.0\" width=\"36.0\" height=\"30.0\">", 1.2},
        {markartwork::calendar(),
         "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 36.0 39.0\" width=\"36.0\" height=\"39.0\">",
         36.0 / 39.0},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.def.svg.rfind(row.root, 0), 0u) << row.def.svg;
        EXPECT_NE(row.def.svg.find("stroke-width=\"2.0\""), std::string::npos);
        EXPECT_EQ(row.def.svg.substr(row.def.svg.size() - 6), "</svg>");
        EXPECT_DOUBLE_EQ(row.def.aspectRatio(), row.aspect);
    }
}

TEST(MarkArtwork, BuiltOnceAndSharedByKind)
{
    EXPECT_EQ(&markartwork::envelope(), &markartwork::envelope());
    EXPECT_EQ(&markartwork::definition(BrandMarkKind::tarnwick), &markartwork::envelope());
    EXPECT_EQ(&markartwork::definition(BrandMarkKind::brisdell), &markartwork::calendar());
}

TEST(MarkArtwork, FixedWidthsAndColoursOfTheEnvelope)
{
    const std::string& svg = markartwork::envelope().svg;
    for (const char* needle : {"stroke=\"#C05A4E\" stroke-width=\"1.9\"", "stroke-width=\"1.5\"", "fill=\"#EBC24A\"",
                               "M30.46 8.58L19.25 16.95A1.66 1.66 0 0 1 16.75 16.95L10.94 12.49",
                               "stroke-linejoin=\"round\"", "stroke-linecap=\"round\""})
        EXPECT_NE(svg.find(needle), std::string::npos) << needle;
}

TEST(MarkArtwork, EnvelopeDrawsOutlineFlapAndStarWhereExpected)
{
    const QImage img = atTenTimes(markartwork::envelope());
    ASSERT_EQ(img.size(), QSize(360, 300));
    EXPECT_TRUE(near(img.pixelColor(310, 150), QColor("#C05A4E"))) << "right side of the outline";
    EXPECT_TRUE(near(img.pixelColor(180, 240), QColor("#C05A4E"))) << "bottom of the outline";
    EXPECT_TRUE(near(img.pixelColor(60, 60), QColor("#EBC24A"))) << "centre of the star";
    EXPECT_EQ(qAlpha(img.pixel(180, 100)), 0) << "inside the envelope stays clear";
    EXPECT_EQ(qAlpha(img.pixel(145, 60)), 0) << "the outline's top side stops at (16, 6)";
    EXPECT_EQ(qAlpha(img.pixel(50, 105)), 0) << "the outline's left side stops at (5, 12)";
}

TEST(MarkArtwork, CalendarDrawsCardHeaderHangersAndSparkles)
{
    const QImage img = atTenTimes(markartwork::calendar());
    ASSERT_EQ(img.size(), QSize(360, 390));
    EXPECT_TRUE(near(img.pixelColor(180, 160), QColor("#2563EB"))) << "header line";
    EXPECT_TRUE(near(img.pixelColor(140, 60), QColor("#2563EB"))) << "left hanger";
    EXPECT_TRUE(near(img.pixelColor(300, 220), QColor("#2563EB"))) << "right side of the card";
    EXPECT_TRUE(near(img.pixelColor(79, 86), QColor("#FBBF24"))) << "large sparkle";
    EXPECT_EQ(qAlpha(img.pixel(180, 240)), 0) << "inside the card stays clear";
}
