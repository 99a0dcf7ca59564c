#include "tarnwick/brand/symbolicglyph.h"

#include <QPainterPathStroker>
#include <array>
#include <charconv>
#include <cmath>
#include <vector>

#include "tarnwick/brand/markartwork.h"

namespace tarnwick::symbolicglyph {

namespace {

struct Part {
    QPainterPath path;
    double strokeWidth = 0; // 0: filled as it is
};

// A four-pointed star whose sides are quadratic curves through the centre, as in the artwork.
QPainterPath sparkle(double cx, double cy, double r)
{
    QPainterPath p;
    const QPointF c(cx, cy);
    p.moveTo(cx, cy - r);
    p.quadTo(c, QPointF(cx + r, cy));
    p.quadTo(c, QPointF(cx, cy + r));
    p.quadTo(c, QPointF(cx - r, cy));
    p.quadTo(c, QPointF(cx, cy - r));
    p.closeSubpath();
    return p;
}

// Qt measures arc angles counter-clockwise with y pointing up; the artwork's arcs run clockwise on
// screen, hence the negative sweeps.
std::vector<Part> envelopeParts(double outline)
{
    std::vector<Part> parts;
    QPainterPath body;
    body.moveTo(16, 6);
    body.lineTo(28, 6);
    body.arcTo(QRectF(25, 6, 6, 6), 90, -90);
    body.lineTo(31, 21);
    body.arcTo(QRectF(25, 18, 6, 6), 0, -90);
    body.lineTo(8, 24);
    body.arcTo(QRectF(5, 18, 6, 6), -90, -90);
    body.lineTo(5, 12);
    parts.push_back({body, outline});

    // The flap's tip: a small arc of radius 1.66 below its centre, between (19.25, 16.95) and (16.75, 16.95).
    const double r = 1.66, half = 1.25;
    const double rise = std::sqrt(r * r - half * half);
    const QPointF centre(18, 16.95 - rise);
    const double from = std::atan2(-rise, half) * 180 / M_PI;
    const double to = std::atan2(-rise, -half) * 180 / M_PI;
    QPainterPath flap;
    flap.moveTo(30.46, 8.58);
    flap.lineTo(19.25, 16.95);
    flap.arcTo(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), from, to - from);
    flap.lineTo(10.94, 12.49);
    parts.push_back({flap, 1.9});

    QPainterPath left;
    left.moveTo(5.95, 22.81);
    left.lineTo(14.54, 15.56);
    parts.push_back({left, 1.5});
    QPainterPath right;
    right.moveTo(30.05, 22.81);
    right.lineTo(21.46, 15.56);
    parts.push_back({right, 1.5});

    parts.push_back({sparkle(6, 6, 6.7), 0});
    return parts;
}

std::vector<Part> calendarParts(double outline)
{
    std::vector<Part> parts;
    parts.push_back({sparkle(7.9, 8.6, 3.93), 0});
    parts.push_back({sparkle(10.15, 4.34, 2.29), 0});
    QPainterPath card;
    card.moveTo(13, 8);
    card.lineTo(26, 8);
    card.arcTo(QRectF(22, 8, 8, 8), 90, -90);
    card.lineTo(30, 27);
    card.arcTo(QRectF(22, 23, 8, 8), 0, -90);
    card.lineTo(10, 31);
    card.arcTo(QRectF(6, 23, 8, 8), -90, -90);
    card.lineTo(6, 16);
    parts.push_back({card, outline});
    for (const auto& [x1, y1, x2, y2] : {std::array{6.0, 16.0, 30.0, 16.0}, std::array{14.0, 4.5, 14.0, 11.0},
                                         std::array{22.0, 4.5, 22.0, 11.0}}) {
        QPainterPath line;
        line.moveTo(x1, y1);
        line.lineTo(x2, y2);
        parts.push_back({line, outline});
    }
    return parts;
}

// Panels draw the symbolic icon at 16 pixels, where the artwork's strokes (1.5 and 2 units of a
// 36-unit box) come out under a pixel wide and blur to a faint grey: the icon's strokes are that much
// heavier than the artwork's.
constexpr double kPanelWidening = 1.5;

// The artwork's parts as fills, every stroke `widening` units wider (filled parts grow by half of it
// on each side).
std::vector<QPainterPath> filledParts(BrandMarkKind kind, double widening)
{
    const ArtworkDefinition& def = markartwork::definition(kind);
    const std::vector<Part> parts =
        kind == BrandMarkKind::tarnwick ? envelopeParts(def.strokeWidth) : calendarParts(def.strokeWidth);
    std::vector<QPainterPath> filled;
    const auto stroked = [](const QPainterPath& path, double width) {
        QPainterPathStroker stroker;
        stroker.setWidth(width);
        stroker.setCapStyle(Qt::RoundCap);
        stroker.setJoinStyle(Qt::RoundJoin);
        return stroker.createStroke(path);
    };
    for (const Part& part : parts) {
        if (part.strokeWidth > 0)
            filled.push_back(stroked(part.path, part.strokeWidth + widening));
        else if (widening > 0)
            filled.push_back(part.path.united(stroked(part.path, widening)));
        else
            filled.push_back(part.path);
    }
    return filled;
}

// Fixed notation with three decimals and no locale: the SVG must read the same everywhere.
std::string number(double value)
{
    char buf[32];
    const auto result = std::to_chars(buf, buf + sizeof buf, std::round(value * 1000) / 1000, std::chars_format::general);
    return std::string(buf, result.ptr);
}

std::string pathData(const QPainterPath& path)
{
    std::string d;
    auto point = [&](const QPainterPath::Element& e) { d += number(e.x) + " " + number(e.y); };
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        switch (e.type) {
        case QPainterPath::MoveToElement:
            if (!d.empty())
                d += "Z";
            d += "M";
            point(e);
            break;
        case QPainterPath::LineToElement:
            d += "L";
            point(e);
            break;
        case QPainterPath::CurveToElement:
            d += "C";
            point(e);
            break;
        case QPainterPath::CurveToDataElement:
            d += " ";
            point(e);
            break;
        }
    }
    if (!d.empty())
        d += "Z";
    return d;
}

} // namespace

QPainterPath shape(BrandMarkKind kind)
{
    QPainterPath all;
    all.setFillRule(Qt::WindingFill);
    for (const QPainterPath& part : filledParts(kind, 0))
        all.addPath(part);
    return all;
}

std::string svg(BrandMarkKind kind)
{
    const ArtworkDefinition& def = markartwork::definition(kind);
    std::string out = "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + number(def.width) + " " +
                      number(def.height) + "\" width=\"" + number(def.width) + "\" height=\"" + number(def.height) +
                      "\">";
    // Each part is its own path: the stroker's outlines overlap themselves, which the non-zero rule
    // fills whole.
    for (const QPainterPath& part : filledParts(kind, kPanelWidening))
        out += "<path fill=\"#bebebe\" fill-rule=\"nonzero\" d=\"" + pathData(part) + "\"/>";
    out += "</svg>";
    return out;
}

} // namespace tarnwick::symbolicglyph
