// The symbol table: every name the product uses resolves, theme icons are preferred, and the drawn
// pictures stand in when the theme has nothing.
#include <set>

#include <QDir>
#include <QIcon>
#include <QPainter>
#include <gtest/gtest.h>

#include "tarnwick/brand/brandmark.h"
#include "tarnwick/brand/symbolimage.h"

using namespace tarnwick;

namespace {

// Names the tray, its popover and card, the notifications, the preferences, the toolbar and the
// widgets ask for, plus the five mail categories.
const char* const kUsedNames[] = {
    "tray", "person.2", "tag", "info.circle", "bubble.left.and.bubble.right",
    "square.and.pencil", "checkmark.circle.fill", "envelope", "envelope.open", "envelope.badge",
    "line.3.horizontal.decrease.circle", "line.3.horizontal.decrease.circle.fill", "gearshape",
    "exclamationmark.triangle.fill", "wifi.slash", "lock.slash", "arrow.up.forward.app",
    "arrow.up.forward.square", "archivebox", "trash", "checkmark", "doc.on.doc.fill", "paintbrush", "bell",
    "wrench.adjustable", "arrowshape.turn.up.left", "arrowshape.turn.up.left.2", "arrowshape.turn.up.right",
    "printer", "arrow.down.doc",
};

struct Coverage {
    int opaque = 0;
    int total = 0;
    bool otherColour = false;
};

Coverage inspect(const QImage& img, QColor colour)
{
    Coverage c;
    c.total = img.width() * img.height();
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor p = img.pixelColor(x, y);
            if (p.alpha() > 200) {
                ++c.opaque;
                if (std::abs(p.red() - colour.red()) > 3 || std::abs(p.green() - colour.green()) > 3 ||
                    std::abs(p.blue() - colour.blue()) > 3)
                    c.otherColour = true;
            }
        }
    return c;
}

class ThemeGuard {
public:
    ThemeGuard() : m_theme(QIcon::themeName()), m_paths(QIcon::themeSearchPaths()) {}
    ~ThemeGuard()
    {
        QIcon::setThemeSearchPaths(m_paths);
        QIcon::setThemeName(m_theme);
    }

private:
    QString m_theme;
    QStringList m_paths;
};

} // namespace

TEST(SymbolImage, EveryUsedNameIsInTheTableWithThemeNames)
{
    for (const char* name : kUsedNames) {
        EXPECT_TRUE(SymbolImage::isKnown(name)) << name;
        const auto theme = SymbolImage::themeIconNames(name);
        ASSERT_FALSE(theme.empty()) << name;
        EXPECT_NE(theme.front().find("-symbolic"), std::string_view::npos) << name;
    }
    EXPECT_EQ(SymbolImage::names().size(), std::size(kUsedNames));
}

TEST(SymbolImage, UnknownNamesAndEmptySizesGiveNothing)
{
    struct Row {
        const char* name;
        QSize size;
        qreal dpr;
    } rows[] = {
        {"", QSize(16, 16), 1.0},
        {"no.such.symbol", QSize(16, 16), 1.0},
        {"Tray", QSize(16, 16), 1.0},
        {"tray", QSize(0, 16), 1.0},
        {"tray", QSize(16, 16), 0.0},
    };
    for (const Row& row : rows) {
        EXPECT_TRUE(SymbolImage::render(row.name, row.size, Qt::black, row.dpr).isNull()) << row.name;
        EXPECT_TRUE(SymbolImage::render(row.name, row.size, Qt::black, row.dpr, SymbolImage::Source::Drawn).isNull());
    }
    EXPECT_FALSE(SymbolImage::source("no.such.symbol").has_value());
    EXPECT_TRUE(SymbolImage::themeIconNames("no.such.symbol").empty());
}

TEST(SymbolImage, EveryDrawnPictureIsAVisibleMarkInTheRequestedColour)
{
    const QColor colour(30, 120, 200);
    for (std::string_view name : SymbolImage::names()) {
        const QImage img = SymbolImage::render(name, QSize(24, 24), colour, 2.0, SymbolImage::Source::Drawn);
        ASSERT_FALSE(img.isNull()) << name;
        EXPECT_EQ(img.size(), QSize(48, 48)) << name;
        EXPECT_EQ(img.devicePixelRatio(), 2.0) << name;
        const Coverage c = inspect(img, colour);
        EXPECT_GT(c.opaque, c.total / 25) << name << " draws almost nothing";
        EXPECT_LT(c.opaque, c.total * 2 / 3) << name << " is a blot";
        EXPECT_FALSE(c.otherColour) << name;
    }
}

TEST(SymbolImage, DrawnPicturesAreAllDifferent)
{
    std::set<QByteArray> seen;
    for (std::string_view name : SymbolImage::names()) {
        const QImage img = SymbolImage::render(name, QSize(20, 20), Qt::black, 1.0, SymbolImage::Source::Drawn);
        const QByteArray bytes(reinterpret_cast<const char*>(img.constBits()), img.sizeInBytes());
        EXPECT_TRUE(seen.insert(bytes).second) << name << " looks like another symbol";
    }
}

TEST(SymbolImage, NonSquareBoxCentresTheSymbol)
{
    const QImage img = SymbolImage::render("checkmark.circle.fill", QSize(40, 20), Qt::black, 1.0,
                                           SymbolImage::Source::Drawn);
    ASSERT_EQ(img.size(), QSize(40, 20));
    EXPECT_EQ(qAlpha(img.pixel(2, 10)), 0);
    EXPECT_EQ(qAlpha(img.pixel(37, 10)), 0);
    EXPECT_GT(qAlpha(img.pixel(13, 10)), 200) << "left part of the disc, beside the cut-out check";
}

TEST(SymbolImage, ThemeIconWinsWhenTheThemeHasIt)
{
    ThemeGuard guard;
    if (!QDir("/usr/share/icons/Adwaita").exists())
        GTEST_SKIP() << "no Adwaita icon theme installed";
    QIcon::setThemeSearchPaths({"/usr/share/icons"});
    QIcon::setThemeName("Adwaita");
    ASSERT_EQ(SymbolImage::source("trash"), SymbolImage::Source::Theme);

    const QColor colour(200, 40, 40);
    const QImage theme = SymbolImage::render("trash", QSize(16, 16), colour, 2.0);
    const QImage drawn = SymbolImage::render("trash", QSize(16, 16), colour, 2.0, SymbolImage::Source::Drawn);
    ASSERT_FALSE(theme.isNull());
    EXPECT_EQ(theme.size(), QSize(32, 32));
    const Coverage c = inspect(theme, colour);
    EXPECT_GT(c.opaque, 20);
    EXPECT_FALSE(c.otherColour) << "theme icons are recoloured";
    EXPECT_NE(theme, drawn);
}

TEST(SymbolImage, DrawnPictureStandsInWithoutATheme)
{
    ThemeGuard guard;
    QIcon::setThemeSearchPaths({});
    QIcon::setThemeName("no-such-theme");
    for (std::string_view name : SymbolImage::names()) {
        EXPECT_EQ(SymbolImage::source(name), SymbolImage::Source::Drawn) << name;
        EXPECT_EQ(SymbolImage::render(name, QSize(14, 14), Qt::darkGray, 1.0),
                  SymbolImage::render(name, QSize(14, 14), Qt::darkGray, 1.0, SymbolImage::Source::Drawn));
    }
    EXPECT_TRUE(SymbolImage::render("tray", QSize(14, 14), Qt::black, 1.0, SymbolImage::Source::Theme).isNull());
}

TEST(SymbolImage, PaintIntoATwoTimesImageDrawsAtTwoTimes)
{
    ThemeGuard guard;
    QIcon::setThemeName("no-such-theme");
    QImage canvas(QSize(64, 64), QImage::Format_ARGB32_Premultiplied);
    canvas.setDevicePixelRatio(2.0);
    canvas.fill(Qt::transparent);
    {
        QPainter p(&canvas);
        ASSERT_TRUE(SymbolImage::paint(p, QRectF(4, 4, 16, 16), "envelope", Qt::black));
        EXPECT_FALSE(SymbolImage::paint(p, QRectF(4, 4, 16, 16), "nope", Qt::black));
    }
    const QImage direct = SymbolImage::render("envelope", QSize(16, 16), Qt::black, 2.0);
    canvas.setDevicePixelRatio(1.0);
    EXPECT_EQ(canvas.copy(8, 8, 32, 32), direct.convertToFormat(canvas.format()).copy(0, 0, 32, 32));
}

// Not a pixel comparison: a contact sheet of every drawn symbol and both marks at 2x, written under
// the build tree for people to look at.
TEST(SymbolImage, ReviewSheet)
{
    const auto names = SymbolImage::names();
    const int columns = 8, cell = 40;
    const int rows = static_cast<int>((names.size() + columns - 1) / columns) + 1;
    QImage sheet(QSize(columns * cell, rows * cell) * 2, QImage::Format_ARGB32_Premultiplied);
    sheet.setDevicePixelRatio(2.0);
    sheet.fill(Qt::white);
    {
        QPainter p(&sheet);
        for (std::size_t i = 0; i < names.size(); ++i) {
            const QRectF box((i % columns) * cell + 8, (i / columns) * cell + 8, 24, 24);
            const QImage img = SymbolImage::render(names[i], QSize(24, 24), QColor(40, 40, 48), 2.0,
                                                   SymbolImage::Source::Drawn);
            p.drawImage(box, img);
        }
        const int y = (rows - 1) * cell + 6;
        const auto mark = BrandMark(BrandMarkKind::tarnwick).image(33.6, 2.0);
        const auto card = BrandMark(BrandMarkKind::brisdell).image(26, 2.0);
        const auto glyph = MenuBarGlyph(BrandMarkKind::tarnwick).statusItemImage(2.0);
        ASSERT_TRUE(mark && card && glyph);
        p.drawImage(QPointF(8, y), *mark);
        p.drawImage(QPointF(8 + cell, y), *card);
        p.drawImage(QPointF(8 + 2 * cell, y + 6), glyph->tinted(QColor(40, 40, 48)));
    }
    ASSERT_TRUE(QDir().mkpath(QStringLiteral(TARNWICK_REVIEW_DIR)));
    const QString file = QStringLiteral(TARNWICK_REVIEW_DIR "/symbols.png");
    EXPECT_TRUE(sheet.save(file));
}
