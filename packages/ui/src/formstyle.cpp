#include "tarnwick/ui/formstyle.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>

namespace tarnwick::FormStyle {

QColor toneColor(const QWidget* widget, Tone tone)
{
    QColor text = widget->palette().color(QPalette::WindowText);
    text.setAlphaF(tone == Tone::Secondary ? 0.62f : 0.42f);
    return text;
}

QLabel* caption(const QString& text, QWidget* parent, Tone tone)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.85);
    label->setFont(font);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, toneColor(label, tone));
    label->setPalette(pal);
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
