#include "tarnwick/ui/tooltipwrapper.h"

#include <QApplication>
#include <QHelpEvent>
#include <QToolTip>
#include <QWidget>

#include "tarnwick/ui/formstyle.h"

namespace tarnwick::ToolTipWrapper {

namespace {

class Filter : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::ToolTip && watched->isWidgetType() &&
            showFor(static_cast<QWidget*>(watched), static_cast<QHelpEvent*>(event)->globalPos()))
            return true;
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

bool showFor(QWidget* widget, const QPoint& globalPos)
{
    const QString text = widget->toolTip();
    if (text.isEmpty())
        return false;
    const QString wrapped = FormStyle::toolTip(text);
    if (wrapped == text)
        return false; // short, or rich text: Qt shows it as it is
    QToolTip::showText(globalPos, wrapped, widget, QRect(), widget->toolTipDuration());
    return true;
}

void install()
{
    static Filter* filter = nullptr;
    if (filter || !qApp)
        return;
    filter = new Filter;
    filter->setParent(qApp);
    qApp->installEventFilter(filter);
}

} // namespace tarnwick::ToolTipWrapper
