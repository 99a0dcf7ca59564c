#include "tarnwick/widgets/views/textview.h"

#include <cmath>

#include <QFontMetricsF>
#include <QPainter>

namespace tarnwick {

TextView::TextView(const QString& text, const QFont& font, const QColor& color, QWidget* parent)
    : QWidget(parent), m_text(text), m_font(font), m_color(color)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setAccessibleName(text);
}

void TextView::setTextOpacity(qreal opacity)
{
    m_opacity = opacity;
    update();
}

void TextView::setTracking(qreal points)
{
    m_font.setLetterSpacing(QFont::AbsoluteSpacing, points);
    updateGeometry();
}

void TextView::setMinimumScaleFactor(qreal factor)
{
    m_minimumScale = std::clamp(factor, 0.1, 1.0);
    updateGeometry();
}

// Tight line box: ascent plus descent, without the font's extra leading, so stacked lines sit at the
// spacing the layouts give them.
QSize TextView::sizeHint() const
{
    const QFontMetricsF fm(m_font);
    return QSize(int(std::ceil(fm.horizontalAdvance(m_text))) + 1, int(std::ceil(fm.ascent() + fm.descent())));
}

QSize TextView::minimumSizeHint() const
{
    return QSize(0, sizeHint().height());
}

int TextView::baseline() const
{
    const QFontMetricsF fm(fittedFont());
    const qreal box = QFontMetricsF(m_font).ascent() + QFontMetricsF(m_font).descent();
    // A shrunk font keeps the box; its baseline moves up with the smaller descent.
    return int(std::lround(box - fm.descent()));
}

QFont TextView::fittedFont() const
{
    if (m_minimumScale >= 1.0 || m_text.isEmpty())
        return m_font;
    const qreal natural = QFontMetricsF(m_font).horizontalAdvance(m_text);
    if (natural <= width() || natural <= 0)
        return m_font;
    // Text widths do not scale exactly with the size, so step down until the text fits.
    qreal scale = std::max(m_minimumScale, width() / natural);
    QFont f = m_font;
    while (true) {
        f.setPointSizeF(m_font.pointSizeF() * scale);
        if (scale <= m_minimumScale || QFontMetricsF(f).horizontalAdvance(m_text) <= width())
            return f;
        scale = std::max(m_minimumScale, scale - 0.02);
    }
}

QString TextView::displayedText() const
{
    const QFont f = fittedFont();
    return QFontMetricsF(f).elidedText(m_text, Qt::ElideRight, width());
}

void TextView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setOpacity(m_opacity);
    p.setPen(m_color);
    const QFont f = fittedFont();
    p.setFont(f);
    p.drawText(QPointF(0, baseline()), QFontMetricsF(f).elidedText(m_text, Qt::ElideRight, width()));
}

} // namespace tarnwick
