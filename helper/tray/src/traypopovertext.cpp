#include "traypopovertext_p.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextBoundaryFinder>
#include <QTextLayout>
#include <vector>

namespace tarnwick::traypopovertext {

namespace {
const QString kEllipsis = QStringLiteral("…");
} // namespace

QString elided(const QString& text, const QFont& font, double width)
{
    const QFontMetricsF metrics(font);
    if (metrics.horizontalAdvance(text) <= width)
        return text;
    // Cut only where a grapheme cluster ends; the longest start that fits with the ellipsis wins.
    std::vector<qsizetype> ends;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype at = finder.toNextBoundary(); at > 0; at = finder.toNextBoundary())
        ends.push_back(at);
    auto shown = [&](qsizetype end) {
        QString start = text.left(end);
        while (!start.isEmpty() && start.back().isSpace())
            start.chop(1);
        return start + kEllipsis;
    };
    std::size_t low = 0, high = ends.size(); // the answer is in [0, high): `low` cut points fit
    while (low < high) {
        const std::size_t middle = (low + high + 1) / 2;
        if (metrics.horizontalAdvance(shown(ends[middle - 1])) <= width)
            low = middle;
        else
            high = middle - 1;
    }
    return low == 0 ? kEllipsis : shown(ends[low - 1]);
}

Qt::LayoutDirection direction(const QString& text)
{
    return text.isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight;
}

QString isolated(const QString& text)
{
    if (!text.isRightToLeft())
        return text;
    return QChar(0x2068) + text + QChar(0x2069); // FIRST STRONG ISOLATE … POP DIRECTIONAL ISOLATE
}

void draw(QPainter& painter, double left, double baseline, const QString& text)
{
    QTextLayout layout(text, painter.font(), painter.device());
    QTextOption option;
    option.setTextDirection(direction(text));
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (!line.isValid()) {
        layout.endLayout();
        return;
    }
    line.setLineWidth(QFontMetricsF(painter.font(), painter.device()).horizontalAdvance(text) + 2);
    line.setPosition(QPointF(0, 0));
    layout.endLayout();
    // Placed by the text's own left edge, wherever its direction aligns it in the line.
    layout.draw(&painter, QPointF(left - line.naturalTextRect().left(), baseline - line.ascent()));
}

ElidingLabel::ElidingLabel(const QString& text, QWidget* parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setText(text);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

QString ElidingLabel::shownText() const
{
    return elided(text(), font(), contentsRect().width());
}

QSize ElidingLabel::minimumSizeHint() const
{
    const QFontMetricsF metrics(font());
    return QSize(int(std::ceil(metrics.horizontalAdvance(kEllipsis))), QLabel::minimumSizeHint().height());
}

void ElidingLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    painter.setFont(font());
    const QRect box = contentsRect();
    const QFontMetricsF metrics(font());
    const double baseline = box.top() + (box.height() - metrics.height()) / 2 + metrics.ascent();
    draw(painter, box.left(), baseline, shownText());
}

} // namespace tarnwick::traypopovertext
