// The symbolic tray icon: drawn the same as the artwork, in one colour, made only of fills (which is
// all a panel recolours).
#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
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

// How much two alpha masks agree: shared covered pixels over pixels covered by either.
double overlap(const QImage& a, const QImage& b)
{
    int both = 0, either = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const bool inA = qAlpha(a.pixel(x, y)) > 128, inB = qAlpha(b.pixel(x, y)) > 128;
            both += inA && inB;
            either += inA || inB;
        }
    return either ? double(both) / either : 0;
}

} // namespace

TEST(SymbolicGlyph, MatchesTheArtworkInOneRecolourableColour)
{
    for (BrandMarkKind kind : {BrandMarkKind::tarnwick, BrandMarkKind::brisdell}) {
        const ArtworkDefinition& def = markartwork::definition(kind);
        const QSize size(int(def.width * 4), int(def.height * 4));
        const std::string symbolic = symbolicglyph::svg(kind);
        EXPECT_EQ(symbolic.find("stroke"), std::string::npos) << "strokes are not recoloured by panels";

        const QImage drawn = render(symbolic, size);
        const QImage artwork = render(def.svg, size);
        EXPECT_GT(overlap(drawn, artwork), 0.9) << int(kind);

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
        EXPECT_GT(overlap(white, artwork), 0.9);
        for (int y = 0; y < white.height(); ++y)
            for (int x = 0; x < white.width(); ++x)
                if (qAlpha(white.pixel(x, y)) == 255) {
                    ASSERT_EQ(white.pixel(x, y), qRgb(255, 255, 255));
                }
    }
}
