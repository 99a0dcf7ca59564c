#include "tarnwick/helper/styledtitlerenderer.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

#include "tarnwick/ui/accountdot.h"

namespace tarnwick {

namespace {

QImage transparentImage(double widthPoints, qreal dpr)
{
    const int w = std::max(1, int(std::ceil(widthPoints * dpr)));
    const int h = int(std::ceil(StyledTitleRenderer::kItemHeight * dpr));
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);
    return image;
}

} // namespace

StyledTitleRenderer::StyledTitleRenderer()
    : StyledTitleRenderer(titleFont())
{
}

StyledTitleRenderer::StyledTitleRenderer(QFont font)
    : m_font(std::move(font))
{
}

QFont StyledTitleRenderer::titleFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    // Points here are the tray's logical pixels, whatever the screen's DPI setting.
    font.setPixelSize(int(MenuBarTitle::kFontPointSize));
    font.setWeight(QFont::Normal);
    // Counts change width as they change; kerning would make equal digit counts differ.
    font.setKerning(false);
    return font;
}

double StyledTitleRenderer::capHeight() const
{
    return QFontMetricsF(m_font).capHeight();
}

double StyledTitleRenderer::width(const StyledTitle& title) const
{
    const QFontMetricsF metrics(m_font);
    double width = 0;
    for (const StyledTitle::Segment& segment : title.segments) {
        if (const auto* run = std::get_if<StyledTitle::Text>(&segment))
            width += metrics.horizontalAdvance(QString::fromStdString(run->text));
        else
            width += std::get<StyledTitle::Image>(segment).width;
    }
    return width;
}

double StyledTitleRenderer::baseline() const
{
    // Capital letters centred in the picture, so they line up with the glyph's middle.
    return (kItemHeight + capHeight()) / 2.0;
}

double StyledTitleRenderer::paint(QPainter& painter, const StyledTitle& title, double x, double baselineY) const
{
    const QFontMetricsF metrics(m_font);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(m_font);
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    for (const StyledTitle::Segment& segment : title.segments) {
        if (const auto* run = std::get_if<StyledTitle::Text>(&segment)) {
            const QString text = QString::fromStdString(run->text);
            QColor color = AccountDot::hexColor(QString::fromStdString(run->colorHex));
            color.setAlphaF(float(std::clamp(run->alpha, 0.0, 1.0)));
            painter.setPen(color);
            painter.drawText(QPointF(x, baselineY), text);
            x += metrics.horizontalAdvance(text);
            continue;
        }
        const auto& image = std::get<StyledTitle::Image>(segment);
        if (image.dot) {
            const QRectF target(x, baselineY - image.baselineOffset - image.height, image.width, image.height);
            const QImage dot = AccountDot::image(QString::fromStdString(image.dot->colorHex), image.dot->filled,
                                                 image.dot->diameter, image.dot->ringStroke, dpr);
            if (!dot.isNull())
                painter.drawImage(target, dot);
        }
        x += image.width;
    }
    painter.restore();
    return x;
}

QImage StyledTitleRenderer::renderTitle(const StyledTitle& title, qreal devicePixelRatio) const
{
    if (title.empty())
        return {};
    QImage image = transparentImage(width(title), devicePixelRatio);
    QPainter painter(&image);
    paint(painter, title, 0, baseline());
    return image;
}

QImage StyledTitleRenderer::renderItem(const QImage& glyph, const StyledTitle& title, qreal devicePixelRatio) const
{
    const QSizeF glyphSize = glyph.isNull() ? QSizeF() : glyph.deviceIndependentSize();
    QImage image = transparentImage(glyphSize.width() + width(title), devicePixelRatio);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (!glyph.isNull())
        painter.drawImage(QRectF(QPointF(0, (kItemHeight - glyphSize.height()) / 2.0), glyphSize), glyph);
    paint(painter, title, glyphSize.width(), baseline());
    return image;
}

} // namespace tarnwick
