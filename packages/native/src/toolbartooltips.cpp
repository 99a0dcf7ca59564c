#include "tarnwick/native/toolbartooltips.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QStringList>
#include <QTextLayout>
#include <QToolTip>
#include <QWidget>

namespace tarnwick::native {
namespace {

QStringList wrappedParagraph(const QString& paragraph, const QFont& font, int maxWidth)
{
    if (QFontMetrics(font).horizontalAdvance(paragraph) <= maxWidth)
        return {paragraph};
    QTextLayout layout(paragraph, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(maxWidth);
        QString piece = paragraph.mid(line.textStart(), line.textLength());
        // The space a line ends on is the break itself.
        while (!piece.isEmpty() && piece.back().isSpace())
            piece.chop(1);
        lines << piece;
    }
    layout.endLayout();
    return lines;
}

} // namespace

QString wrappedToolTip(const QString& text, const QFont& font, int maxWidth)
{
    QStringList lines;
    for (const QString& paragraph : text.split(QLatin1Char('\n')))
        lines << wrappedParagraph(paragraph, font, maxWidth);
    return lines.join(QLatin1Char('\n'));
}

ToolTipPresenter* ToolTipPresenter::install(QWidget* root)
{
    if (auto* existing = root->findChild<ToolTipPresenter*>(QString(), Qt::FindDirectChildrenOnly))
        return existing;
    return new ToolTipPresenter(root);
}

ToolTipPresenter::ToolTipPresenter(QWidget* root) : QObject(root)
{
    watch(root);
}

void ToolTipPresenter::watch(QObject* object)
{
    if (!object->isWidgetType())
        return;
    object->removeEventFilter(this);
    object->installEventFilter(this);
    for (QObject* child : object->children())
        watch(child);
}

bool ToolTipPresenter::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ChildAdded:
        watch(static_cast<QChildEvent*>(event)->child());
        break;
    case QEvent::ToolTip: {
        auto* widget = static_cast<QWidget*>(watched);
        const QString text = widget->toolTip();
        if (text.isEmpty())
            break; // the parent's tip, if it has one
        const auto* help = static_cast<QHelpEvent*>(event);
        QToolTip::showText(help->globalPos(), wrappedToolTip(text, QToolTip::font()), widget, QRect(),
                           widget->toolTipDuration());
        return true;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tarnwick::native
