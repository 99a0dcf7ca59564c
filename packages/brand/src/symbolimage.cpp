#include "tarnwick/brand/symbolimage.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <functional>

#include <QGuiApplication>
#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QThread>

namespace tarnwick {
namespace {

// ---------------------------------------------------------------------------------------------
// Drawn pictures. Each symbol is drawn in a 24 x 24 box with round caps and joins, in one colour;
// "clear" operations punch holes, which is how filled symbols keep their inner marks.

// Absolute SVG path commands M L H V Q C Z, enough for the pictures below.
QPainterPath path(std::string_view d)
{
    QPainterPath p;
    std::size_t i = 0;
    auto skip = [&] {
        while (i < d.size() && (d[i] == ' ' || d[i] == ','))
            ++i;
    };
    auto num = [&] {
        skip();
        double v = 0;
        auto [ptr, ec] = std::from_chars(d.data() + i, d.data() + d.size(), v);
        i = static_cast<std::size_t>(ptr - d.data());
        return v;
    };
    char cmd = 'M';
    while (true) {
        skip();
        if (i >= d.size())
            break;
        if (std::isalpha(static_cast<unsigned char>(d[i])))
            cmd = d[i++];
        const QPointF cur = p.currentPosition();
        switch (cmd) {
        case 'M': {
            const double x = num(), y = num();
            p.moveTo(x, y);
            cmd = 'L';
            break;
        }
        case 'L': {
            const double x = num(), y = num();
            p.lineTo(x, y);
            break;
        }
        case 'H':
            p.lineTo(num(), cur.y());
            break;
        case 'V':
            p.lineTo(cur.x(), num());
            break;
        case 'Q': {
            const double cx = num(), cy = num(), x = num(), y = num();
            p.quadTo(cx, cy, x, y);
            break;
        }
        case 'C': {
            const double c1x = num(), c1y = num(), c2x = num(), c2y = num(), x = num(), y = num();
            p.cubicTo(c1x, c1y, c2x, c2y, x, y);
            break;
        }
        case 'Z':
            p.closeSubpath();
            break;
        default:
            return p; // not reached with the literals below
        }
    }
    return p;
}

QPainterPath circle(double cx, double cy, double r)
{
    QPainterPath p;
    p.addEllipse(QPointF(cx, cy), r, r);
    return p;
}

QPainterPath roundRect(double x, double y, double w, double h, double r)
{
    QPainterPath p;
    p.addRoundedRect(QRectF(x, y, w, h), r, r);
    return p;
}

// An arc of a circle centred on (cx, cy) from angle a0 spanning `span` degrees (counter-clockwise,
// 0 = east, as QPainterPath::arcTo counts).
QPainterPath arc(double cx, double cy, double r, double a0, double span)
{
    QPainterPath p;
    const QRectF box(cx - r, cy - r, 2 * r, 2 * r);
    p.arcMoveTo(box, a0);
    p.arcTo(box, a0, span);
    return p;
}

class Canvas {
public:
    Canvas(QPainter& painter, const QColor& color) : m_p(painter), m_color(color) {}

    void stroke(const QPainterPath& p, double width = 1.8)
    {
        m_p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        m_p.strokePath(p, pen(m_color, width));
    }
    void fill(const QPainterPath& p)
    {
        m_p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        m_p.fillPath(p, m_color);
    }
    void clear(const QPainterPath& p)
    {
        m_p.setCompositionMode(QPainter::CompositionMode_Clear);
        m_p.fillPath(p, Qt::black);
    }
    void clearStroke(const QPainterPath& p, double width)
    {
        m_p.setCompositionMode(QPainter::CompositionMode_Clear);
        m_p.strokePath(p, pen(Qt::black, width));
    }
    void stroke(std::string_view d, double width = 1.8) { stroke(path(d), width); }
    void fill(std::string_view d) { fill(path(d)); }
    void clear(std::string_view d) { clear(path(d)); }
    void clearStroke(std::string_view d, double width) { clearStroke(path(d), width); }
    QPainter& painter() { return m_p; }

private:
    static QPen pen(const QColor& c, double width)
    {
        QPen pen(c, width);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        return pen;
    }
    QPainter& m_p;
    QColor m_color;
};

// A diagonal slash from top-left to bottom-right with a cleared margin around it.
void slash(Canvas& c)
{
    c.clearStroke("M4.5 3.5 L20.5 19.5", 4.0);
    c.stroke("M4.5 3.5 L20.5 19.5", 1.8);
}

void envelopeBody(Canvas& c)
{
    c.stroke(roundRect(3, 5.5, 18, 13, 2.2));
    c.stroke("M3.9 7.3 L12 13 L20.1 7.3");
}

void filterLines(Canvas& c, bool cut)
{
    const char* lines[] = {"M7.4 9 H16.6", "M9 12.2 H15", "M10.6 15.4 H13.4"};
    for (const char* l : lines) {
        if (cut)
            c.clearStroke(l, 1.9);
        else
            c.stroke(l, 1.7);
    }
}

QPainterPath gear()
{
    QPainterPath p;
    constexpr int teeth = 8;
    const double rIn = 7.4, rOut = 10.0;
    for (int k = 0; k < teeth; ++k) {
        const double a = k * 360.0 / teeth;
        const double pts[4][2] = {{a - 15, rIn}, {a - 8, rOut}, {a + 8, rOut}, {a + 15, rIn}};
        for (int j = 0; j < 4; ++j) {
            const double rad = pts[j][0] * M_PI / 180.0;
            const QPointF pt(12 + pts[j][1] * std::cos(rad), 12 + pts[j][1] * std::sin(rad));
            if (k == 0 && j == 0)
                p.moveTo(pt);
            else
                p.lineTo(pt);
        }
    }
    p.closeSubpath();
    return p;
}

void replyArrow(Canvas& c, double shift)
{
    QPainterPath p = path("M9.5 5 L3.5 11 L9.5 17 V13.5 H12.5 Q18.5 13.5 20.5 19 Q20.5 8.5 12.5 8.5 H9.5 Z");
    c.stroke(p.translated(shift, 0), 1.6);
}

using Draw = void (*)(Canvas&);

struct Symbol {
    std::string_view name;
    std::array<std::string_view, 3> themeNames;
    Draw draw;
};

// The table: the product's symbol names, the freedesktop icon names that show the same idea
// (symbolic variants, so they recolour cleanly), and the built-in picture. Where Adwaita's and Breeze's
// names differ both are listed (Breeze's plain action icons are single-colour too); a name whose
// picture means something else in one of them (Breeze's "alarm-symbolic" is a clock, its
// "preferences-other-symbolic" a plain "≡", its "system-users" a coloured disc at tab size; Adwaita's
// "preferences-desktop-appearance-symbolic" a filled block) is left out; without any, the drawn picture.
const Symbol kSymbols[] = {
    // Mail categories.
    {"tray", {"mail-inbox-symbolic", "inbox-symbolic"},
     [](Canvas& c) {
         c.stroke("M3.5 13.5 L6.2 5.9 Q6.6 4.8 7.8 4.8 H16.2 Q17.4 4.8 17.8 5.9 L20.5 13.5 V17.6 Q20.5 19.5 "
                  "18.6 19.5 H5.4 Q3.5 19.5 3.5 17.6 Z");
         c.stroke("M3.8 13.5 H8.4 Q9.2 16.2 12 16.2 Q14.8 16.2 15.6 13.5 H20.2");
     }},
    {"person.2", {"system-users-symbolic", "group", "avatar-default-symbolic"},
     [](Canvas& c) {
         c.stroke(circle(16.4, 7.6, 2.7), 1.6);
         c.stroke("M17.6 12.9 Q21.6 13.3 21.6 18.3", 1.6);
         c.clear(circle(9.4, 8.4, 4.6));
         c.clear("M1.5 21 Q1.5 12.3 9.4 12.3 Q17.3 12.3 17.3 21 Z");
         c.stroke(circle(9.4, 8.4, 3.3));
         c.stroke("M3.4 19.4 Q3.4 14.2 9.4 14.2 Q15.4 14.2 15.4 19.4 Z");
     }},
    {"tag", {"tag-symbolic", "bookmark-new-symbolic"},
     [](Canvas& c) {
         c.stroke("M4 5.6 Q4 4 5.6 4 H11.1 Q11.9 4 12.5 4.6 L19.9 12 Q20.9 13 19.9 14 L14 19.9 Q13 20.9 12 19.9 "
                  "L4.6 12.5 Q4 11.9 4 11.1 Z");
         c.fill(circle(8.3, 8.3, 1.55));
     }},
    {"info.circle", {"dialog-information-symbolic", "help-about-symbolic"},
     [](Canvas& c) {
         c.stroke(circle(12, 12, 8.6));
         c.fill(circle(12, 7.9, 1.2));
         c.stroke("M12 11.2 V16.4", 2.0);
     }},
    {"bubble.left.and.bubble.right", {"chat-symbolic", "user-available-symbolic"},
     [](Canvas& c) {
         c.stroke("M10.5 3.8 H18.4 Q21 3.8 21 6.4 V10.2 Q21 12.8 18.4 12.8 H18.6 V15.2 L15.8 12.8 H10.5 Q7.9 12.8 "
                  "7.9 10.2 V6.4 Q7.9 3.8 10.5 3.8 Z",
                  1.6);
         const QPainterPath front = path("M5.6 9.2 H13.4 Q16 9.2 16 11.8 V15.6 Q16 18.2 13.4 18.2 H8.2 L5.4 20.6 "
                                         "V18.2 Q3 18.2 3 15.6 V11.8 Q3 9.2 5.6 9.2 Z");
         c.clear(front);
         c.clearStroke(front, 3.6);
         c.stroke(front, 1.6);
     }},
    // Widgets, tray and popover.
    {"square.and.pencil", {"mail-message-new-symbolic", "document-edit-symbolic"},
     [](Canvas& c) {
         c.stroke("M11 4.6 H6.6 Q4.5 4.6 4.5 6.7 V17.4 Q4.5 19.5 6.6 19.5 H17.3 Q19.4 19.5 19.4 17.4 V13");
         c.clearStroke("M9.6 14.4 L10.3 11.5 L17.7 4.1 Q18.5 3.3 19.3 4.1 L19.9 4.7 Q20.7 5.5 19.9 6.3 L12.5 13.7 Z",
                       3.4);
         c.stroke("M9.6 14.4 L10.3 11.5 L17.7 4.1 Q18.5 3.3 19.3 4.1 L19.9 4.7 Q20.7 5.5 19.9 6.3 L12.5 13.7 Z",
                  1.6);
     }},
    {"checkmark.circle.fill", {"emblem-ok-symbolic", "object-select-symbolic"},
     [](Canvas& c) {
         c.fill(circle(12, 12, 9.6));
         c.clearStroke("M7.7 12.3 L10.7 15.2 L16.4 9.1", 2.3);
     }},
    {"envelope", {"mail-message-symbolic", "mail-unread-symbolic"}, [](Canvas& c) { envelopeBody(c); }},
    {"envelope.open", {"mail-read-symbolic", "mail-message-open-symbolic"},
     [](Canvas& c) {
         c.stroke("M3.5 10.6 L10.8 4.9 Q12 4 13.2 4.9 L20.5 10.6 V17.6 Q20.5 19.5 18.6 19.5 H5.4 Q3.5 19.5 3.5 "
                  "17.6 Z");
         c.stroke("M4.1 11.1 L12 16.3 L19.9 11.1");
     }},
    {"envelope.badge", {"mail-mark-unread-symbolic", "mail-unread-symbolic"},
     [](Canvas& c) {
         envelopeBody(c);
         c.clear(circle(19, 6.2, 5.0));
         c.fill(circle(19, 6.2, 3.4));
     }},
    {"line.3.horizontal.decrease.circle", {"view-filter-symbolic", "filter-symbolic"},
     [](Canvas& c) {
         c.stroke(circle(12, 12, 8.8), 1.6);
         filterLines(c, false);
     }},
    {"line.3.horizontal.decrease.circle.fill", {"view-filter-symbolic", "filter-symbolic"},
     [](Canvas& c) {
         c.fill(circle(12, 12, 9.6));
         filterLines(c, true);
     }},
    {"gearshape", {"emblem-system-symbolic", "preferences-system-symbolic"},
     [](Canvas& c) {
         c.fill(gear());
         c.clear(circle(12, 12, 3.4));
     }},
    {"exclamationmark.triangle.fill", {"dialog-warning-symbolic", "emblem-important-symbolic"},
     [](Canvas& c) {
         const QPainterPath tri = path("M12 3.6 L21.2 19.6 H2.8 Z");
         c.fill(tri);
         c.stroke(tri, 2.4);
         c.clearStroke("M12 9.2 V13.9", 2.2);
         c.clear(circle(12, 16.9, 1.3));
     }},
    {"wifi.slash", {"network-wireless-offline-symbolic", "network-offline-symbolic"},
     [](Canvas& c) {
         c.stroke(arc(12, 18.6, 11.2, 42, 96));
         c.stroke(arc(12, 18.6, 6.6, 42, 96));
         c.fill(circle(12, 18.2, 1.7));
         slash(c);
     }},
    {"lock.slash", {"channel-insecure-symbolic", "changes-allow-symbolic"},
     [](Canvas& c) {
         c.stroke("M8 11 V8.2 Q8 4 12 4 Q16 4 16 8.2 V11", 2.0);
         c.fill(roundRect(5, 10.8, 14, 9.6, 2.2));
         slash(c);
     }},
    {"arrow.up.forward.app", {"window-new-symbolic", "go-jump-symbolic"},
     [](Canvas& c) {
         c.stroke("M12.2 4.5 H8.3 Q4.5 4.5 4.5 8.3 V15.7 Q4.5 19.5 8.3 19.5 H15.7 Q19.5 19.5 19.5 15.7 V11.8");
         c.stroke("M11.2 12.8 L20 4");
         c.stroke("M14.6 4 H20 V9.4");
     }},
    {"arrow.up.forward.square", {"send-to-symbolic", "go-jump-symbolic"},
     [](Canvas& c) {
         c.stroke(roundRect(4.2, 4.2, 15.6, 15.6, 3.6));
         c.stroke("M9.2 14.8 L14.6 9.4");
         c.stroke("M10.4 9.2 H14.8 V13.6");
     }},
    {"archivebox", {"mail-archive-symbolic", "package-x-generic-symbolic"},
     [](Canvas& c) {
         c.stroke(roundRect(3.2, 4.4, 17.6, 4.6, 1.3));
         c.stroke("M4.8 9.2 V17.7 Q4.8 19.6 6.7 19.6 H17.3 Q19.2 19.6 19.2 17.7 V9.2");
         c.stroke("M10 12.8 H14");
     }},
    {"trash", {"user-trash-symbolic", "edit-delete-symbolic"},
     [](Canvas& c) {
         c.stroke("M3.8 6.5 H20.2");
         c.stroke("M9 6.3 V5 Q9 3.8 10.2 3.8 H13.8 Q15 3.8 15 5 V6.3");
         c.stroke("M6 6.7 L7 18.4 Q7.2 20.2 9 20.2 H15 Q16.8 20.2 17 18.4 L18 6.7");
         c.stroke("M10.1 10.2 V16.5", 1.6);
         c.stroke("M13.9 10.2 V16.5", 1.6);
     }},
    {"checkmark", {"object-select-symbolic", "emblem-ok-symbolic"},
     [](Canvas& c) { c.stroke("M5 12.6 L9.8 17.3 L19 6.9", 2.2); }},
    {"doc.on.doc.fill", {"edit-copy-symbolic", "document-duplicate-symbolic"},
     [](Canvas& c) {
         c.fill(roundRect(8.6, 2.8, 11.6, 14.4, 2.2));
         c.clear(roundRect(2.6, 5.6, 13.4, 16.6, 3.2));
         c.fill(roundRect(4, 7, 10.6, 13.8, 2.2));
     }},
    // Preferences tabs.
    {"paintbrush", {"applications-graphics-symbolic", "draw-brush"},
     [](Canvas& c) {
         c.stroke("M19.8 4.2 L12.2 11.8", 2.6);
         c.fill("M11.2 12.2 Q8 11.6 6.8 14.6 Q6 17 3.8 18.6 Q8.8 21.4 11.8 18.2 Q13.6 16.2 12.6 13.2 Z");
     }},
    {"bell", {"preferences-system-notifications-symbolic", "notifications"},
     [](Canvas& c) {
         c.stroke("M6.2 16.6 V11.2 Q6.2 5.4 12 5.4 Q17.8 5.4 17.8 11.2 V16.6 L19.4 18 H4.6 Z");
         c.stroke("M10 20.2 Q12 21.6 14 20.2");
         c.stroke("M12 3.4 V5.2");
     }},
    {"wrench.adjustable", {"preferences-system-symbolic", "configure"},
     [](Canvas& c) {
         c.stroke("M4.8 19.2 L12.4 11.6", 3.0);
         c.stroke(circle(15.6, 8.4, 4.0), 2.4);
         c.clearStroke("M15.6 8.4 L21 3", 3.2);
     }},
    // Toolbar.
    {"arrowshape.turn.up.left", {"mail-reply-sender-symbolic", "edit-undo-symbolic"},
     [](Canvas& c) { replyArrow(c, 0); }},
    {"arrowshape.turn.up.left.2", {"mail-reply-all-symbolic", "edit-undo-symbolic"},
     [](Canvas& c) {
         replyArrow(c, 2.2);
         c.stroke("M6.2 5 L0.9 11 L6.2 17", 1.6);
     }},
    {"arrowshape.turn.up.right", {"mail-forward-symbolic", "edit-redo-symbolic"},
     [](Canvas& c) {
         c.painter().save();
         c.painter().translate(24, 0);
         c.painter().scale(-1, 1);
         replyArrow(c, 0);
         c.painter().restore();
     }},
    {"printer", {"document-print-symbolic", "printer-symbolic"},
     [](Canvas& c) {
         c.stroke("M7 9 V4.4 H17 V9");
         c.stroke(roundRect(3.2, 9, 17.6, 8.2, 2));
         c.clear(QPainterPath(path("M6.2 13.6 H17.8 V21.2 H6.2 Z")));
         c.stroke("M7 14.2 H17 V20.2 H7 Z");
     }},
    {"arrow.down.doc", {"document-save-symbolic", "document-save-as-symbolic"},
     [](Canvas& c) {
         c.stroke("M13.6 3.6 H7.1 Q5 3.6 5 5.7 V18.4 Q5 20.5 7.1 20.5 H16.9 Q19 20.5 19 18.4 V9 Z");
         c.stroke("M13.6 3.8 V9 H18.8", 1.5);
         c.stroke("M12 11 V17.2");
         c.stroke("M9.3 14.6 L12 17.3 L14.7 14.6");
     }},
};

const Symbol* find(std::string_view name)
{
    for (const Symbol& s : kSymbols)
        if (s.name == name)
            return &s;
    return nullptr;
}

QSize pixelSize(QSize points, qreal dpr)
{
    return QSize(std::max(1, qRound(points.width() * dpr)), std::max(1, qRound(points.height() * dpr)));
}

QImage transparentImage(QSize pixels)
{
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QImage renderDrawn(const Symbol& symbol, QSize points, const QColor& color, qreal dpr)
{
    const QSize pixels = pixelSize(points, dpr);
    QImage image = transparentImage(pixels);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        const double side = std::min(pixels.width(), pixels.height());
        p.translate((pixels.width() - side) / 2.0, (pixels.height() - side) / 2.0);
        p.scale(side / 24.0, side / 24.0);
        Canvas canvas(p, color);
        symbol.draw(canvas);
    }
    image.setDevicePixelRatio(dpr);
    return image;
}

// The theme is consulted only where QIcon may be used: a GUI application, on its thread.
bool themeUsable()
{
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) &&
           QThread::currentThread() == QCoreApplication::instance()->thread();
}

std::optional<QString> themeName(const Symbol& symbol)
{
    if (!themeUsable())
        return std::nullopt;
    for (std::string_view name : symbol.themeNames) {
        if (name.empty())
            continue;
        const QString qname = QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
        if (QIcon::hasThemeIcon(qname))
            return qname;
    }
    return std::nullopt;
}

QImage renderTheme(const QString& iconName, QSize points, const QColor& color, qreal dpr)
{
    const QIcon icon = QIcon::fromTheme(iconName);
    const QSize pixels = pixelSize(points, dpr);
    const int side = std::min(pixels.width(), pixels.height());
    QImage glyph = icon.pixmap(QSize(side, side), 1.0).toImage();
    if (glyph.isNull())
        return {};
    QImage image = transparentImage(pixels);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        const QRectF box((pixels.width() - side) / 2.0, (pixels.height() - side) / 2.0, side, side);
        p.drawImage(box, glyph);
        // Symbolic icons are single-colour drawings: keep their alpha, take our colour.
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(image.rect(), color);
    }
    image.setDevicePixelRatio(dpr);
    return image;
}

bool sizeUsable(QSize points, qreal dpr)
{
    return points.width() > 0 && points.height() > 0 && dpr > 0;
}

} // namespace

std::vector<std::string_view> SymbolImage::names()
{
    std::vector<std::string_view> out;
    for (const Symbol& s : kSymbols)
        out.push_back(s.name);
    return out;
}

bool SymbolImage::isKnown(std::string_view symbolName)
{
    return find(symbolName) != nullptr;
}

std::vector<std::string_view> SymbolImage::themeIconNames(std::string_view symbolName)
{
    std::vector<std::string_view> out;
    if (const Symbol* s = find(symbolName))
        for (std::string_view n : s->themeNames)
            if (!n.empty())
                out.push_back(n);
    return out;
}

std::optional<SymbolImage::Source> SymbolImage::source(std::string_view symbolName)
{
    const Symbol* s = find(symbolName);
    if (!s)
        return std::nullopt;
    return themeName(*s) ? Source::Theme : Source::Drawn;
}

QImage SymbolImage::render(std::string_view symbolName, QSize pointSize, const QColor& color, qreal devicePixelRatio)
{
    const Symbol* s = find(symbolName);
    if (!s || !sizeUsable(pointSize, devicePixelRatio))
        return {};
    if (const auto name = themeName(*s)) {
        QImage image = renderTheme(*name, pointSize, color, devicePixelRatio);
        if (!image.isNull())
            return image;
    }
    return renderDrawn(*s, pointSize, color, devicePixelRatio);
}

QImage SymbolImage::render(std::string_view symbolName, QSize pointSize, const QColor& color, qreal devicePixelRatio,
                           Source only)
{
    const Symbol* s = find(symbolName);
    if (!s || !sizeUsable(pointSize, devicePixelRatio))
        return {};
    if (only == Source::Drawn)
        return renderDrawn(*s, pointSize, color, devicePixelRatio);
    const auto name = themeName(*s);
    return name ? renderTheme(*name, pointSize, color, devicePixelRatio) : QImage();
}

bool SymbolImage::paint(QPainter& painter, const QRectF& target, std::string_view symbolName, const QColor& color)
{
    if (!isKnown(symbolName))
        return false;
    // The painter's device transform includes the target's device pixel ratio, so a 2x image gets a
    // 2x symbol.
    const QTransform t = painter.deviceTransform();
    const qreal scale = std::sqrt(std::abs(t.determinant()));
    const QSize points(std::max(1, qCeil(target.width())), std::max(1, qCeil(target.height())));
    const QImage image = render(symbolName, points, color, scale > 0 ? scale : 1.0);
    if (image.isNull())
        return false;
    QRectF box(QPointF(0, 0), QSizeF(points));
    box.moveCenter(target.center());
    painter.drawImage(box, image);
    return true;
}

} // namespace tarnwick
