#include "testviews.h"

#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>

namespace tarnwick::addon::testing {

namespace {
QMutex logMutex;
QStringList& entries()
{
    static QStringList list;
    return list;
}
} // namespace

void EventLog::append(const QString& entry)
{
    QMutexLocker lock(&logMutex);
    entries().append(entry);
}

QStringList EventLog::take()
{
    QMutexLocker lock(&logMutex);
    return std::exchange(entries(), {});
}

RecordingView::RecordingView(bool accepts, QWidget* parent)
    : QWidget(parent)
    , accepts_(accepts)
{
    setAcceptDrops(true);
}

void RecordingView::dragEnterEvent(QDragEnterEvent* event)
{
    if (accepts_)
        event->acceptProposedAction();
    EventLog::append(objectName() + QStringLiteral(":enter"));
}

void RecordingView::dragMoveEvent(QDragMoveEvent* event)
{
    if (accepts_)
        event->acceptProposedAction();
    EventLog::append(objectName() + QStringLiteral(":move"));
}

void RecordingView::dragLeaveEvent(QDragLeaveEvent*)
{
    EventLog::append(objectName() + QStringLiteral(":leave"));
}

void RecordingView::dropEvent(QDropEvent* event)
{
    QStringList urls;
    for (const QUrl& url : event->mimeData()->urls())
        urls.append(url.toString());
    const QPoint at = event->position().toPoint();
    EventLog::append(objectName() + QStringLiteral(":drop at=%1,%2 urls=%3 text=%4")
                                        .arg(at.x())
                                        .arg(at.y())
                                        .arg(urls.join(QLatin1Char('|')), event->mimeData()->text().replace(QLatin1Char('\n'), QLatin1Char('|'))));
    if (accepts_)
        event->acceptProposedAction();
}

} // namespace tarnwick::addon::testing
