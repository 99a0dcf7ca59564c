// Category pictures: one rendering and one file per category, in a directory of the user's alone,
// and failures that leave nothing behind.

#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <set>
#include <sys/stat.h>

#include "helpertestsupport.h"
#include "notificationtestsupport.h"
#include "tarnwick/brand/symbolimage.h"
#include "tarnwick/helper/categoryattachment.h"

using namespace tarnwick;
using namespace tarnwick::test;

namespace {

double luminance(const QColor& c)
{
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

bool near(const QColor& a, const QColor& b, int tolerance = 3)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance && std::abs(a.alpha() - b.alpha()) <= tolerance;
}

} // namespace

// Each category: a round badge in its own colour with the white symbol in the middle, large enough
// for a banner on a doubled-scale screen. Checked against the symbol drawn on its own.
TEST(CategoryAttachment, EveryCategoryIsAWhiteSymbolOnARoundBadgeOfItsColour)
{
    std::set<QRgb> colours;
    for (MailCategory category : mailcategory::allCases) {
        const auto name = mailcategory::rawValue(category);
        const auto bytes = CategoryAttachment::render(category);
        ASSERT_TRUE(bytes) << name;
        QImage image;
        ASSERT_TRUE(image.loadFromData(*bytes, "PNG"));
        ASSERT_EQ(image.size(), QSize(128, 128));
#ifdef TARNWICK_REVIEW_DIR
        // To look at, never compared.
        std::filesystem::create_directories(TARNWICK_REVIEW_DIR);
        image.save(QString::fromStdString(std::string(TARNWICK_REVIEW_DIR) + "/category-" + std::string(name) + ".png"));
#endif

        const QColor badge = CategoryAttachment::badgeColor(category);
        colours.insert(badge.rgb());
        EXPECT_GE((1.0 + 0.05) / (luminance(badge) + 0.05), 4.5) << name << ": white on the badge must read";
        EXPECT_GT(badge.hsvSaturationF(), 0.6) << name << ": a colour, not a grey";

        for (const QPoint corner : {QPoint(0, 0), QPoint(127, 0), QPoint(0, 127), QPoint(127, 127)})
            EXPECT_EQ(image.pixelColor(corner).alpha(), 0) << name << ": round, transparent corners";

        // Drawn the other way: where the symbol alone is opaque the picture is white; inside the badge
        // where the symbol is empty it is the badge colour.
        const QImage symbol = SymbolImage::render(mailcategory::symbolName(category), QSize(72, 72), Qt::white);
        ASSERT_FALSE(symbol.isNull());
        int white = 0, coloured = 0;
        for (int y = 0; y < 128; ++y) {
            for (int x = 0; x < 128; ++x) {
                const QColor got = image.pixelColor(x, y);
                const bool inSymbolBox = x >= 28 && x < 100 && y >= 28 && y < 100;
                const int symbolAlpha = inSymbolBox ? symbol.pixelColor(x - 28, y - 28).alpha() : 0;
                const double fromCentre = std::hypot(x + 0.5 - 64, y + 0.5 - 64);
                if (symbolAlpha == 255) {
                    ASSERT_TRUE(near(got, Qt::white)) << name << " at " << x << "," << y << ": " << got.name(QColor::HexArgb).toStdString();
                    ++white;
                } else if (symbolAlpha == 0 && fromCentre < 60) {
                    ASSERT_TRUE(near(got, badge)) << name << " at " << x << "," << y;
                    ++coloured;
                } else if (fromCentre > 63) {
                    ASSERT_EQ(got.alpha(), 0) << name << " at " << x << "," << y;
                }
            }
        }
        EXPECT_GT(white, 72 * 72 / 20) << name << ": the symbol is there and large";
        EXPECT_GT(coloured, 128 * 128 / 3) << name << ": the badge fills the picture";
    }
    EXPECT_EQ(colours.size(), mailcategory::allCases.size()) << "every category its own colour";
}

TEST(CategoryAttachment, BannersOfACategoryShareOneFileWrittenOnce)
{
    InstalledProcess process;
    const auto first = CategoryAttachment::make(MailCategory::social);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->identifier, "category.social");
    EXPECT_EQ(first->mimeType, "image/png");
    EXPECT_TRUE(first->shared) << "the notification center must not remove it with the banner";
    EXPECT_TRUE(isAttachmentName(first->file, "social")) << first->file;
    const auto written = std::filesystem::last_write_time(first->file);

    const auto second = CategoryAttachment::make(MailCategory::social);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->file, first->file);
    EXPECT_EQ(std::filesystem::last_write_time(second->file), written) << "not written again";
    const auto other = CategoryAttachment::make(MailCategory::forums);
    ASSERT_TRUE(other);
    EXPECT_EQ(other->file.parent_path(), first->file.parent_path());
    EXPECT_EQ(process.files(), (std::vector<std::string>{"forums.png", "social.png"}));

    // The cache hands out the one rendering it kept: the same bytes, not a copy drawn again.
    const auto a = CategoryAttachment::png(MailCategory::social);
    const auto b = CategoryAttachment::png(MailCategory::social);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->constData(), b->constData());
    EXPECT_EQ(QByteArray::fromStdString(tarnwick::testing::readFile(first->file)), *a);

    // A picture someone removed is written again; removeFiles() takes the directory away.
    std::filesystem::remove(first->file);
    ASSERT_TRUE(CategoryAttachment::make(MailCategory::social));
    EXPECT_TRUE(std::filesystem::exists(first->file));
    CategoryAttachment::removeFiles();
    EXPECT_TRUE(process.files().empty());
    EXPECT_FALSE(std::filesystem::exists(first->file.parent_path()));
}

TEST(CategoryAttachment, WithoutARuntimeDirectoryTheCacheDirectoryServes)
{
    InstalledProcess process;
    FakeSystemPaths paths;
    paths.cacheDir = process.tempDir() / "home" / ".cache";
    SystemPaths::setCurrent(&paths);
    const auto attachment = CategoryAttachment::make(MailCategory::updates);
    SystemPaths::setCurrent(nullptr);
    ASSERT_TRUE(attachment);
    EXPECT_EQ(attachment->file.parent_path().parent_path(), paths.cacheDir) << "made when missing";
    CategoryAttachment::removeFiles();
}

TEST(CategoryAttachment, UnwritableDirectoryIsLoggedAndLeavesNothing)
{
    LogCapture log;
    InstalledProcess process;
    tarnwick::testing::TempDir dir;
    dir.write("file", "");
    FakeSystemPaths missing;
    missing.cacheDir = dir / "file" / "cache";  // under a file: cannot be made
    SystemPaths::setCurrent(&missing);
    EXPECT_FALSE(CategoryAttachment::make(MailCategory::forums));
    SystemPaths::setCurrent(nullptr);
    EXPECT_EQ(log.records(), std::vector<std::string>{"E|Notifications|Category attachment failed: Not a directory"});
}
