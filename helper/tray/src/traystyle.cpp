#include "tarnwick/helper/traystyle.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QPixmap>
#include <QTextDocument>
#include <cmath>

#include "tarnwick/brand/symbolimage.h"
#include "tarnwick/ui/palettefollower.h"

namespace tarnwick::traystyle {

namespace {
// Qt's point sizes assume 96 logical DPI for a 1:1 pixel; the tray's points are those pixels.
constexpr double kPointsPerPixel = 72.0 / 96.0;
} // namespace

QFont font(double points, QFont::Weight weight)
{
    QFont f = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    f.setPointSizeF(points * kPointsPerPixel);
    f.setWeight(weight);
    return f;
}

QFont monospaceFont(double points, QFont::Weight weight)
{
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setPointSizeF(points * kPointsPerPixel);
    f.setWeight(weight);
    return f;
}

QColor withOpacity(QColor color, double opacity)
{
    color.setAlphaF(float(std::clamp(color.alphaF() * opacity, 0.0, 1.0)));
    return color;
}

QColor primary(double opacity)
{
    return withOpacity(QApplication::palette().color(QPalette::WindowText), opacity);
}

QColor secondary()
{
    return primary(0.6);
}

QColor tertiary()
{
    return primary(0.38);
}

QColor accent()
{
    return QApplication::palette().color(QPalette::Highlight);
}

QColor orange()
{
    return QColor(0xf5, 0x9e, 0x0b);
}

QColor green()
{
    return QColor(0x34, 0xc7, 0x59);
}

QString css(const QColor& color)
{
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(color.alpha());
}

QLabel* plainLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    return label;
}

QString menuText(const QString& text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return escaped;
}

QString plainToolTip(const QString& text)
{
    // Only text the tool tip would take for rich text needs wrapping; the wrapper escapes it.
    if (!Qt::mightBeRichText(text))
        return text;
    return Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal);
}

QIcon symbolIcon(std::string_view symbolName, double points, const QColor& color)
{
    QIcon icon;
    const int side = int(std::ceil(points));
    for (qreal dpr : {1.0, 2.0}) {
        const QImage image = SymbolImage::render(symbolName, QSize(side, side), color, dpr);
        if (!image.isNull())
            icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

void restyleOnPaletteChange(QWidget* widget, std::function<void()> restyle)
{
    PaletteFollower::follow(widget, std::move(restyle));
}

void keepStyled(QWidget* widget, std::function<void()> style)
{
    style();
    restyleOnPaletteChange(widget, std::move(style));
}

void inkLabel(QLabel* label, std::function<QColor()> ink)
{
    keepStyled(label, [label, ink = std::move(ink)] {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, ink());
        label->setPalette(palette);
    });
}

} // namespace tarnwick::traystyle
