// Category pictures: one rendering per category, a fresh file per banner, and failures that leave
// nothing behind.

#include <gtest/gtest.h>

#include <QImage>
#include <sys/stat.h>

#include "helpertestsupport.h"
#include "notificationtestsupport.h"
#include "tarnwick/brand/symbolimage.h"
#include "tarnwick/helper/categoryattachment.h"

using namespace tarnwick;
using namespace tarnwick::test;

TEST(CategoryAttachment, EveryCategoryIsAGreySymbolCentredIn64By64)
{
    for (MailCategory category : mailcategory::allCases) {
        const auto bytes = CategoryAttachment::render(category);
        ASSERT_TRUE(bytes) << mailcategory::rawValue(category);
        QImage image;
        ASSERT_TRUE(image.loadFromData(*bytes, "PNG"));
        EXPECT_EQ(image.size(), QSize(64, 64));

        // Drawn the other way: the symbol alone, placed at the centre of an empty canvas.
        const QImage symbol = SymbolImage::render(mailcategory::symbolName(category), QSize(34, 34),
                                                  QColor::fromRgbF(0.45f, 0.45f, 0.45f));
        QImage expected(64, 64, QImage::Format_ARGB32_Premultiplied);
        expected.fill(Qt::transparent);
        for (int y = 0; y < 34; ++y)
            for (int x = 0; x < 34; ++x)
                expected.setPixelColor(x + 15, y + 15, symbol.pixelColor(x, y));

        int opaque = 0;
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 64; ++x) {
                const QColor got = image.pixelColor(x, y);
                const QColor want = expected.pixelColor(x, y);
                ASSERT_NEAR(got.alpha(), want.alpha(), 2) << mailcategory::rawValue(category) << " at " << x << "," << y;
                if (got.alpha() > 250) {
                    ++opaque;
                    EXPECT_NEAR(got.red(), 115, 2); // 0.45 white
                    EXPECT_EQ(got.red(), got.green());
                    EXPECT_EQ(got.green(), got.blue());
                }
            }
        }
        EXPECT_GT(opaque, 20) << mailcategory::rawValue(category) << " shows a symbol";
    }
}

TEST(CategoryAttachment, TwoBannersGetTwoFilesWithTheSameCachedPicture)
{
    InstalledProcess process;
    const auto first = CategoryAttachment::make(MailCategory::social);
    const auto second = CategoryAttachment::make(MailCategory::social);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->identifier, "category.social");
    EXPECT_EQ(first->mimeType, "image/png");
    // Where the files lie and how they are named, for every category: notificationdispatch_bus_tests.
    EXPECT_NE(first->file, second->file);
    EXPECT_EQ(tarnwick::testing::readFile(first->file), tarnwick::testing::readFile(second->file));

    // The cache hands out the one rendering it kept: the same bytes, not a copy drawn again.
    const auto a = CategoryAttachment::png(MailCategory::social);
    const auto b = CategoryAttachment::png(MailCategory::social);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->constData(), b->constData());
    EXPECT_EQ(QByteArray::fromStdString(tarnwick::testing::readFile(first->file)), *a);
}

TEST(CategoryAttachment, UnwritableDirectoryIsLoggedAndLeavesNothing)
{
    LogCapture log;
    InstalledProcess process;
    FakeSystemPaths missing;
    missing.tempDir = process.tempDir() / "does-not-exist";
    SystemPaths::setCurrent(&missing);
    EXPECT_FALSE(CategoryAttachment::make(MailCategory::forums));
    SystemPaths::setCurrent(nullptr);
    EXPECT_EQ(log.records(), std::vector<std::string>{"E|Notifications|Category attachment failed: No such file or directory"});
    EXPECT_FALSE(std::filesystem::exists(missing.tempDir));
}
