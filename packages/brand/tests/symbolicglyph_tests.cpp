// The symbolic tray icon: drawn the same as the artwork, in one colour, made only of fills (which is
// all a panel recolours).
#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cmath>
#include <set>
#include <gtest/gtest.h>

#include "tarnwick/brand/brandmark.h"
#include "tarnwick/brand/markartwork.h"
#include "tarnwick/brand/symbolicglyph.h"

using namespace tarnwick;

namespace {

QImage render(const std::string& svg, QSize size)
{
    QSvgRenderer renderer(QByteArray::fromStdString(svg));
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (!renderer.isValid())
        return image;
    QPainter painter(&image);
    renderer.render(&painter);
    return image;
}

int covered(const QImage& image, int leastAlpha = 128)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > leastAlpha;
    return count;
}

// The share of `inner`'s covered pixels that `outer` covers too.
double containment(const QImage& outer, const QImage& inner)
{
    int both = 0, all = 0;
    for (int y = 0; y < inner.height(); ++y)
        for (int x = 0; x < inner.width(); ++x)
            if (qAlpha(inner.pixel(x, y)) > 128) {
                ++all;
                both += qAlpha(outer.pixel(x, y)) > 128;
            }
    return all ? double(both) / all : 0;
}

// The share of the covered pixels that are nearly opaque: low for strokes thinner than a pixel.
double solidity(const QImage& image)
{
    const int any = covered(image, 0);
    return any ? double(covered(image, 191)) / any : 0;
}

} // namespace

TEST(SymbolicGlyph, MatchesTheArtworkInOneRecolourableColour)
{
    for (BrandMarkKind kind : {BrandMarkKind::tarnwick, BrandMarkKind::brisdell}) {
        const ArtworkDefinition& def = markartwork::definition(kind);
        const QSize size(int(def.width * 4), int(def.height * 4));
        const std::string symbolic = symbolicglyph::svg(kind);
        EXPECT_EQ(symbolic.find("stroke"), std::string::npos) << "strokes are not recoloured by panels";

        // The artwork's shapes, somewhat heavier.
        const QImage drawn = render(symbolic, size);
        const QImage artwork = render(def.svg, size);
        EXPECT_GT(containment(drawn, artwork), 0.98) << int(kind);
        EXPECT_LT(covered(drawn), 2 * covered(artwork)) << int(kind);
        // Solid at a panel's 16 pixels, where the artwork's own strokes blur.
        const QSize panel(16, int(std::lround(16 * def.height / def.width)));
        EXPECT_GT(solidity(render(symbolic, panel)), 1.4 * solidity(render(def.svg, panel))) << int(kind);

        std::set<QRgb> colours;
        for (int y = 0; y < drawn.height(); ++y)
            for (int x = 0; x < drawn.width(); ++x)
                if (qAlpha(drawn.pixel(x, y)) == 255)
                    colours.insert(drawn.pixel(x, y));
        for (QRgb c : colours) // one colour, give or take the blending of overlapping edges
            EXPECT_LE(std::abs(qRed(c) - 0xbe) + std::abs(qGreen(c) - 0xbe) + std::abs(qBlue(c) - 0xbe), 6);

        // A panel sets every shape's fill to its text colour: the whole glyph follows.
        std::string recoloured = symbolic;
        for (std::size_t at; (at = recoloured.find("#bebebe")) != std::string::npos;)
            recoloured.replace(at, 7, "#ffffff");
        const QImage white = render(recoloured, size);
        EXPECT_EQ(covered(white), covered(drawn));
        for (int y = 0; y < white.height(); ++y)
            for (int x = 0; x < white.width(); ++x)
                if (qAlpha(white.pixel(x, y)) == 255) {
                    ASSERT_EQ(white.pixel(x, y), qRgb(255, 255, 255));
                }
    }
}
