#include "tarnwick/ui/formstyle.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolTip>

#include "tarnwick/ui/palettefollower.h"

namespace tarnwick::FormStyle {

namespace {

QColor toned(QColor text, Tone tone)
{
    text.setAlphaF(tone == Tone::Secondary ? 0.62f : 0.42f);
    return text;
}

} // namespace

QColor toneColor(const QWidget* widget, Tone tone)
{
    return toned(widget->palette().color(QPalette::WindowText), tone);
}

void keepTone(QWidget* widget, Tone tone)
{
    auto apply = [widget, tone](const QPalette& from) {
        QPalette pal = widget->palette();
        pal.setColor(QPalette::WindowText, toned(from.color(QPalette::WindowText), tone));
        widget->setPalette(pal);
    };
    apply(widget->palette());
    // The tone is an explicit colour, which a new application palette would leave as it was.
    PaletteFollower::follow(widget, [widget, apply] { apply(QApplication::palette(widget)); });
}

QString toolTip(const QString& text, int maxWidth)
{
    if (text.isEmpty() || Qt::mightBeRichText(text))
        return text;
    const QFontMetrics metrics(QToolTip::font());
    QStringList lines;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        QString line;
        for (const QString& word : paragraph.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const QString longer = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
            if (!line.isEmpty() && metrics.horizontalAdvance(longer) > maxWidth) {
                lines << line;
                line = word;
            } else {
                line = longer;
            }
        }
        lines << line;
    }
    return lines.join(QLatin1Char('\n'));
}

QLabel* caption(const QString& text, QWidget* parent, Tone tone)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.85);
    label->setFont(font);
    keepTone(label, tone);
    label->setProperty("tone", tone == Tone::Secondary ? QStringLiteral("secondary") : QStringLiteral("tertiary"));
    return label;
}

QLabel* sectionTitle(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    label->setProperty("sectionTitle", true);
    return label;
}

QFrame* separator(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setObjectName(QStringLiteral("separator"));
    return line;
}

QWidget* labelledRow(QLabel* label, QWidget* control, QWidget* parent)
{
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    label->setParent(row);
    control->setParent(row);
    label->setBuddy(control);
    layout->addWidget(label, 1);
    layout->addWidget(control, 0, Qt::AlignRight | Qt::AlignVCenter);
    return row;
}

} // namespace tarnwick::FormStyle
