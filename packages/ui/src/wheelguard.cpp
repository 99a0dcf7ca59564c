#include "tarnwick/ui/wheelguard.h"

#include <QEvent>
#include <QWidget>

namespace tarnwick::WheelGuard {

namespace {

class Filter : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Wheel && watched->isWidgetType() && !static_cast<QWidget*>(watched)->hasFocus()) {
            // Ignored and filtered: the control never sees it, and the application hands it to the parent
            // (a scrolling pane scrolls).
            event->ignore();
            return true;
        }
        return false;
    }
};

Filter& filter()
{
    static Filter* instance = new Filter;
    return *instance;
}

} // namespace

void install(QWidget* control)
{
    // Wheel focus would hand the focus over on the first notch, which is the very thing to avoid.
    control->setFocusPolicy(Qt::StrongFocus);
    control->installEventFilter(&filter());
}

} // namespace tarnwick::WheelGuard
