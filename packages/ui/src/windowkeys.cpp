#include "tarnwick/ui/windowkeys.h"

#include <QKeySequence>
#include <QShortcut>
#include <QWidget>

namespace tarnwick::WindowKeys {

void closeOnEscape(QWidget* window)
{
    for (const QKeySequence& keys : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        auto* shortcut = new QShortcut(keys, window);
        shortcut->setObjectName(QStringLiteral("closeShortcut"));
        shortcut->setContext(Qt::WindowShortcut);
        QObject::connect(shortcut, &QShortcut::activated, window, &QWidget::close);
    }
}

} // namespace tarnwick::WindowKeys
