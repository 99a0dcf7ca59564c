#include "tarnwick/ui/elidinglineedit.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

namespace tarnwick {

namespace {
// QLineEdit keeps this much room between its contents rectangle and the text.
constexpr int kHorizontalMargin = 2;
} // namespace

QRect ElidingLineEdit::textRect() const
{
    QStyleOptionFrame option;
    initStyleOption(&option);
    QRect r = style()->subElementRect(QStyle::SE_LineEditContents, &option, this).marginsRemoved(textMargins());
    return r.adjusted(kHorizontalMargin, 0, -kHorizontalMargin, 0);
}

QString ElidingLineEdit::shownText() const
{
    if (hasFocus() || echoMode() != Normal)
        return text();
    return fontMetrics().elidedText(text(), Qt::ElideRight, textRect().width());
}

void ElidingLineEdit::paintEvent(QPaintEvent* event)
{
    const QString shown = shownText();
    if (shown == text()) {
        QLineEdit::paintEvent(event);
        return;
    }
    QPainter painter(this);
    QStyleOptionFrame option;
    initStyleOption(&option);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &painter, this);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    const Qt::Alignment side = text().isRightToLeft() ? Qt::AlignRight : Qt::AlignLeft;
    painter.drawText(textRect(), int(side | Qt::AlignVCenter), shown);
}

} // namespace tarnwick
