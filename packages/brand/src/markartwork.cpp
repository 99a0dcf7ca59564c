#include "tarnwick/brand/markartwork.h"

#include <charconv>

namespace tarnwick::markartwork {
namespace {

// Numbers are written with std::to_chars, which ignores the C locale: Qt programs adopt the user's
// locale, and a decimal comma would break the SVG.
std::string number(double value, std::chars_format format, int precision = -1)
{
    char buf[64];
    const auto result = precision < 0 ? std::to_chars(buf, buf + sizeof buf, value, format)
                                      : std::to_chars(buf, buf + sizeof buf, value, format, precision);
    return std::string(buf, result.ptr);
}

// Width, height and stroke width always carry exactly one fractional digit ("36.0").
std::string oneDecimal(double value)
{
    return number(value, std::chars_format::fixed, 1);
}

std::string n(double value)
{
    return number(value, std::chars_format::general);
}

std::string root(double w, double h, const std::string& elements)
{
    const std::string W = oneDecimal(w), H = oneDecimal(h);
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + W + " " + H + "\" width=\"" + W +
           "\" height=\"" + H + "\">" + elements + "</svg>";
}

// A four-pointed star: each side is a quadratic curve whose control point is the centre.
std::string sparkle(double cx, double cy, double r)
{
    const std::string c = n(cx) + " " + n(cy);
    return "M" + n(cx) + " " + n(cy - r) + "Q" + c + " " + n(cx + r) + " " + n(cy) + "Q" + c + " " + n(cx) + " " +
           n(cy + r) + "Q" + c + " " + n(cx - r) + " " + n(cy) + "Q" + c + " " + n(cx) + " " + n(cy - r) + "Z";
}

ArtworkDefinition makeEnvelope()
{
    ArtworkDefinition def{36, 30, 2, {}};
    const std::string S = oneDecimal(def.strokeWidth);
    const std::string ink = "#C05A4E";
    std::string e;
    // Outline: rounded rectangle (5,6)-(31,24), radius 3, clockwise from (16,6), open at top-left.
    e += "<path d=\"M16 6H28A3 3 0 0 1 31 9V21A3 3 0 0 1 28 24H8A3 3 0 0 1 5 21V12\" fill=\"none\" stroke=\"" +
         ink + "\" stroke-width=\"" + S + "\" stroke-linecap=\"round\" stroke-linejoin=\"round\"/>";
    // The flap, with a small rounded tip.
    e += "<path d=\"M30.46 8.58L19.25 16.95A1.66 1.66 0 0 1 16.75 16.95L10.94 12.49\" fill=\"none\" stroke=\"" +
         ink + "\" stroke-width=\"1.9\" stroke-linecap=\"round\" stroke-linejoin=\"round\"/>";
    // The two seams.
    e += "<line x1=\"5.95\" y1=\"22.81\" x2=\"14.54\" y2=\"15.56\" stroke=\"" + ink +
         "\" stroke-width=\"1.5\" stroke-linecap=\"round\"/>";
    e += "<line x1=\"30.05\" y1=\"22.81\" x2=\"21.46\" y2=\"15.56\" stroke=\"" + ink +
         "\" stroke-width=\"1.5\" stroke-linecap=\"round\"/>";
    // The star in the open corner.
    e += "<path d=\"" + sparkle(6, 6, 6.7) + "\" fill=\"#EBC24A\" stroke-linecap=\"round\" stroke-linejoin=\"round\"/>";
    def.svg = root(def.width, def.height, e);
    return def;
}

ArtworkDefinition makeCalendar()
{
    ArtworkDefinition def{36, 39, 2, {}};
    const std::string S = oneDecimal(def.strokeWidth);
    const std::string ink = "#2563EB";
    std::string e;
    e += "<path d=\"" + sparkle(7.9, 8.6, 3.93) +
         "\" fill=\"#FBBF24\" stroke-linecap=\"round\" stroke-linejoin=\"round\"/>";
    e += "<path d=\"" + sparkle(10.15, 4.34, 2.29) +
         "\" fill=\"#F59E0B\" stroke-linecap=\"round\" stroke-linejoin=\"round\"/>";
    // Card: rounded rectangle (6,8)-(30,31), radius 4, clockwise from (13,8), open at top-left.
    e += "<path d=\"M13 8H26A4 4 0 0 1 30 12V27A4 4 0 0 1 26 31H10A4 4 0 0 1 6 27V16\" fill=\"none\" stroke=\"" +
         ink + "\" stroke-width=\"" + S + "\" stroke-linecap=\"round\" stroke-linejoin=\"round\"/>";
    e += "<line x1=\"6\" y1=\"16\" x2=\"30\" y2=\"16\" stroke=\"" + ink + "\" stroke-width=\"" + S +
         "\" stroke-linecap=\"round\"/>";
    e += "<line x1=\"14\" y1=\"4.5\" x2=\"14\" y2=\"11\" stroke=\"" + ink + "\" stroke-width=\"" + S +
         "\" stroke-linecap=\"round\"/>";
    e += "<line x1=\"22\" y1=\"4.5\" x2=\"22\" y2=\"11\" stroke=\"" + ink + "\" stroke-width=\"" + S +
         "\" stroke-linecap=\"round\"/>";
    def.svg = root(def.width, def.height, e);
    return def;
}

} // namespace

const ArtworkDefinition& envelope()
{
    static const ArtworkDefinition def = makeEnvelope();
    return def;
}

const ArtworkDefinition& calendar()
{
    static const ArtworkDefinition def = makeCalendar();
    return def;
}

const ArtworkDefinition& definition(BrandMarkKind kind)
{
    return kind == BrandMarkKind::brisdell ? calendar() : envelope();
}

} // namespace tarnwick::markartwork
