#include "tarnwick/platform/qtmainqueue.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace tarnwick {

void QtMainQueue::post(Task task)
{
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(task), Qt::QueuedConnection);
}

} // namespace tarnwick
