#include "tarnwick/native/embeddedwindows.h"

#include <QAccessibleObject>
#include <QApplication>
#include <QList>
#include <QPointer>
#include <QWidget>

namespace tarnwick::native {
namespace {

QList<QPointer<QWidget>>& embeddedWindows()
{
    static QList<QPointer<QWidget>> windows;
    windows.removeAll(nullptr);
    return windows;
}

// The application's usual accessible tree, with the embedded windows after its own.
class ApplicationWithEmbeddedWindows : public QAccessibleApplication {
public:
    int childCount() const override { return QAccessibleApplication::childCount() + int(embeddedWindows().size()); }

    QAccessibleInterface* child(int index) const override
    {
        const int own = QAccessibleApplication::childCount();
        if (index < own)
            return QAccessibleApplication::child(index);
        const auto& windows = embeddedWindows();
        return index - own < windows.size() ? QAccessible::queryAccessibleInterface(windows.at(index - own).data())
                                            : nullptr;
    }

    int indexOfChild(const QAccessibleInterface* child) const override
    {
        const int own = QAccessibleApplication::indexOfChild(child);
        if (own >= 0 || !child)
            return own;
        const auto* widget = qobject_cast<const QWidget*>(child->object());
        const qsizetype at = widget ? embeddedWindows().indexOf(const_cast<QWidget*>(widget)) : -1;
        return at < 0 ? -1 : QAccessibleApplication::childCount() + int(at);
    }
};

QAccessibleInterface* applicationFactory(const QString& className, QObject* object)
{
    return object == qApp && className == QLatin1String("QApplication") ? new ApplicationWithEmbeddedWindows : nullptr;
}

} // namespace

void presentEmbeddedWindowsToScreenReaders()
{
    static const bool installed = (QAccessible::installFactory(applicationFactory), true);
    Q_UNUSED(installed);
}

void addEmbeddedWindow(QWidget* window)
{
    if (window && !embeddedWindows().contains(window))
        embeddedWindows().append(window);
}

} // namespace tarnwick::native
