#include "tarnwick/ui/windowkeys.h"

#include <QKeyEvent>
#include <QKeySequence>
#include <QShortcut>
#include <QWidget>

namespace tarnwick::WindowKeys {

namespace {

// Escape as a dialog takes it: only once no control of the window wanted it (the key reaches the
// window itself). A window shortcut would also fire while one of the window's pop-ups is open.
class EscapeCloser : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Escape && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
                static_cast<QWidget*>(watched)->close();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void closeOnEscape(QWidget* window)
{
    window->installEventFilter(new EscapeCloser(window));
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), window);
    shortcut->setObjectName(QStringLiteral("closeShortcut"));
    shortcut->setContext(Qt::WindowShortcut);
    QObject::connect(shortcut, &QShortcut::activated, window, &QWidget::close);
}

} // namespace tarnwick::WindowKeys
