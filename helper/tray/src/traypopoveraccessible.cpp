#include "traypopoveraccessible_p.h"

#include <QAccessibleWidget>
#include <QMetaObject>

#include "tarnwick/helper/traymessagerow.h"
#include "tarnwick/helper/verificationcodecard.h"

namespace tarnwick::traypopoveraccessible {

namespace {

// A widget that acts as a button: its press action calls the widget's activate().
class PressableWidget : public QAccessibleWidget {
public:
    explicit PressableWidget(QWidget* widget)
        : QAccessibleWidget(widget, QAccessible::Button)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value) {
            if (auto* row = qobject_cast<TrayMessageRow*>(widget()))
                return row->readState();
        }
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override
    {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& name) override
    {
        if (name == pressAction() && widget()->isEnabled())
            QMetaObject::invokeMethod(widget(), "activate", Qt::QueuedConnection);
        else
            QAccessibleWidget::doAction(name);
    }
};

QAccessibleInterface* factory(const QString& className, QObject* object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    if (className == QLatin1String("tarnwick::TrayMessageRow") ||
        className == QLatin1String("tarnwick::VerificationCodeCard"))
        return new PressableWidget(static_cast<QWidget*>(object));
    return nullptr;
}

} // namespace

void install()
{
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
}

} // namespace tarnwick::traypopoveraccessible
