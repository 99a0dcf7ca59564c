#include <gtest/gtest.h>

#include <QImage>
#include <cmath>

#include "tarnwick/ui/accountdot.h"

using tarnwick::AccountDot;

namespace {

QImage decode(const QByteArray& png)
{
    QImage image;
    EXPECT_TRUE(image.loadFromData(png, "PNG"));
    return image.convertToFormat(QImage::Format_ARGB32);
}

int opaquePixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 127;
    return count;
}

} // namespace

TEST(AccountDotColor, EntityColorTrimsAndFallsBackToPurple)
{
    const QColor purple(168, 85, 247);
    struct Row {
        const char* text;
        QColor expected;
    };
    const Row rows[] = {
        {"", purple},
        {"#", purple},
        {"#12345", purple},
        {"#1234567", purple},
        {"#12345g", purple},
        {"##123456", purple},
        {"#3b82f6", QColor(0x3b, 0x82, 0xf6)},
        {"3B82F6", QColor(0x3b, 0x82, 0xf6)},
        {" \t#10b981\n", QColor(0x10, 0xb9, 0x81)},
        {"#000000", QColor(0, 0, 0)},
    };
    for (const auto& row : rows)
        EXPECT_EQ(AccountDot::entityColor(row.text).rgba(), row.expected.rgba()) << row.text;
}

TEST(AccountDotColor, PreferencesHexFallsBackToGrey)
{
    EXPECT_EQ(AccountDot::hexColor("#3b82f6").rgba(), QColor(0x3b, 0x82, 0xf6).rgba());
    EXPECT_EQ(AccountDot::hexColor("ffffff").rgba(), QColor(255, 255, 255).rgba());
    for (const char* bad : {"", "12345", " #3b82f6", "#3b82f6\n", "#zzzzzz", "#ü12345"}) {
        const QColor c = AccountDot::hexColor(QString::fromUtf8(bad));
        EXPECT_NEAR(c.redF(), 0.5, 0.01) << bad;
        EXPECT_NEAR(c.greenF(), 0.5, 0.01) << bad;
        EXPECT_NEAR(c.blueF(), 0.5, 0.01) << bad;
    }
}

TEST(AccountDotPng, DefaultGeometryIs72By48WithACentredDisc)
{
    EXPECT_EQ(AccountDot::pngDiscRect(48), QRectF(16.8, 4.8, 38.4, 38.4));
    const auto png = AccountDot::png("#3b82f6");
    ASSERT_TRUE(png);
    ASSERT_TRUE(png->startsWith("\x89PNG"));
    const QImage image = decode(*png);
    ASSERT_EQ(image.size(), QSize(72, 48));
    EXPECT_EQ(image.pixel(36, 24), QColor(0x3b, 0x82, 0xf6).rgba());
    // Outside the disc: corners, the band left of x = 16.8 and above y = 4.8.
    for (QPoint p : {QPoint(0, 0), QPoint(71, 47), QPoint(15, 24), QPoint(56, 24), QPoint(36, 3), QPoint(36, 44)})
        EXPECT_EQ(qAlpha(image.pixel(p)), 0) << p.x() << "," << p.y();
    for (QPoint p : {QPoint(18, 24), QPoint(53, 24), QPoint(36, 6), QPoint(36, 41)})
        EXPECT_EQ(qAlpha(image.pixel(p)), 255) << p.x() << "," << p.y();
    const double area = M_PI * 19.2 * 19.2;
    EXPECT_NEAR(opaquePixels(image), area, area * 0.03);
}

TEST(AccountDotPng, OtherSizesAndFailures)
{
    const QImage square = decode(*AccountDot::png("", 20, 1.0));
    EXPECT_EQ(square.size(), QSize(20, 20));
    EXPECT_EQ(square.pixel(10, 10), QColor(168, 85, 247).rgba()) << "no colour: the default dot";
    EXPECT_EQ(decode(*AccountDot::png("#000000", 10, 1.25)).size(), QSize(13, 10)) << "12.5 rounds to 13";

    EXPECT_FALSE(AccountDot::png("#000000", 0));
    EXPECT_FALSE(AccountDot::png("#000000", -48));
    EXPECT_FALSE(AccountDot::png("#000000", 48, 0.0));
    EXPECT_FALSE(AccountDot::png("#000000", 48, std::nan("")));
    EXPECT_FALSE(AccountDot::png("#000000", 1 << 30));
}

TEST(AccountDotImage, FilledDiscAndRing)
{
    const QImage disc = AccountDot::image("#ff0000", true, 9, 1.5);
    ASSERT_EQ(disc.size(), QSize(9, 9));
    EXPECT_EQ(disc.pixel(4, 4), qRgba(255, 0, 0, 255));
    EXPECT_EQ(qAlpha(disc.pixel(0, 0)), 0);

    const QImage ring = AccountDot::image("#ff0000", false, 9, 1.5);
    EXPECT_EQ(qAlpha(ring.pixel(4, 4)), 0) << "a ring is hollow";
    EXPECT_GT(qAlpha(ring.pixel(0, 4)), 127) << "the stroke touches the edge after the half-stroke inset";
    EXPECT_EQ(qRed(ring.pixel(0, 4)), qAlpha(ring.pixel(0, 4))) << "premultiplied pure red";
    EXPECT_EQ(qAlpha(ring.pixel(0, 0)), 0);

    const QImage hiDpi = AccountDot::image("#00ff00", true, 6, 1, 2.0);
    EXPECT_EQ(hiDpi.size(), QSize(12, 12));
    EXPECT_EQ(hiDpi.devicePixelRatio(), 2.0);
    EXPECT_EQ(hiDpi.pixel(6, 6), qRgba(0, 255, 0, 255));

    EXPECT_EQ(AccountDot::image("#12345", true, 9, 1).pixel(4, 4), qRgba(128, 128, 128, 255)) << "unreadable: grey";
    EXPECT_TRUE(AccountDot::image("#ff0000", true, 0.5, 1).isNull());
}
