#include "filedrop.h"

#include "addonlog.h"

#include <tarnwick/native/uithread.h>

#include <QDebug>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QTimer>

#include <exception>
#include <string>

namespace tarnwick::addon {

namespace {

const char* const kWebContentsMarker = "WebContentsView";
const char* const kRenderWidgetHostMarker = "RenderWidgetHostView";

std::string className(const QWidget* widget)
{
    return widget->metaObject()->className();
}

std::string boundsText(const QWidget* widget)
{
    QString text;
    QDebug(&text).nospace() << widget->rect();
    return text.toStdString();
}

std::shared_ptr<const QMimeData>& dragDataSlot()
{
    static auto* slot = new std::shared_ptr<const QMimeData>;
    return *slot;
}

// Each message goes straight to the widget's own handler. QApplication::notify would route drag
// events the way a real drag does: an unaccepted enter travels up to the parents, and move, drop
// and leave go to the drag manager's current target, which a played drag never sets.
void deliver(QWidget* receiver, QEvent* event)
{
    static_cast<QObject*>(receiver)->event(event);
}

// The drag sequence's events, positioned at the drag location as seen by `receiver`.
Qt::DropAction sendDragEnter(QWidget* receiver, const DragInfo& info)
{
    QDragEnterEvent event(receiver->mapFrom(info.window.data(), info.location), Qt::CopyAction,
                          info.data.get(), Qt::NoButton, Qt::NoModifier);
    deliver(receiver, &event);
    return event.isAccepted() ? event.dropAction() : Qt::IgnoreAction;
}

void sendDragMove(QWidget* receiver, const DragInfo& info)
{
    QDragMoveEvent event(receiver->mapFrom(info.window.data(), info.location), Qt::CopyAction,
                         info.data.get(), Qt::NoButton, Qt::NoModifier);
    deliver(receiver, &event);
}

bool sendDrop(QWidget* receiver, const DragInfo& info)
{
    QDropEvent event(QPointF(receiver->mapFrom(info.window.data(), info.location)), Qt::CopyAction,
                     info.data.get(), Qt::NoButton, Qt::NoModifier);
    deliver(receiver, &event);
    return event.isAccepted();
}

void sendDragLeave(QWidget* receiver)
{
    QDragLeaveEvent event;
    deliver(receiver, &event);
}

void collect(QWidget* widget, std::vector<QWidget*>& found)
{
    if (widget->acceptDrops())
        found.push_back(widget);
    for (QObject* child : widget->children()) {
        if (child->isWidgetType())
            collect(static_cast<QWidget*>(child), found);
    }
}

// The last two steps: drop and, when it was refused, the end of the drag.
void finishDrop(const std::shared_ptr<DragInfo>& info)
{
    QWidget* target = info->target.data();
    if (!target || !info->window)
        return;
    if (!target->acceptDrops())
        return;
    const bool performed = sendDrop(target, *info);
    AddonLog::info(std::string("performDragOperation: ") + (performed ? "YES" : "NO"));
    // A refused drop ends like a drag that leaves the widget, so it drops its hover state.
    if (!performed && info->target)
        sendDragLeave(info->target.data());
}

} // namespace

std::vector<QUrl> FileDrop::fileUrls(const std::vector<std::string>& paths)
{
    std::vector<QUrl> urls;
    urls.reserve(paths.size());
    for (const std::string& path : paths) {
        if (path.empty())
            continue;
        urls.push_back(QUrl::fromLocalFile(QFileInfo(QString::fromStdString(path)).absoluteFilePath()));
    }
    return urls;
}

std::unique_ptr<QMimeData> FileDrop::dragData(const std::vector<QUrl>& urls)
{
    auto data = std::make_unique<QMimeData>();
    QStringList paths;
    for (const QUrl& url : urls) {
        if (!url.path().isEmpty())
            paths.append(url.toLocalFile());
    }
    data->setUrls(QList<QUrl>(urls.begin(), urls.end()));
    data->setText(paths.join(QLatin1Char('\n')));
    return data;
}

std::vector<QWidget*> FileDrop::candidates(QWidget* root)
{
    std::vector<QWidget*> found;
    collect(root, found);
    return found;
}

QWidget* FileDrop::selectTarget(QWidget* root, const std::vector<QWidget*>& candidates)
{
    for (const char* marker : {kWebContentsMarker, kRenderWidgetHostMarker}) {
        for (QWidget* candidate : candidates) {
            if (className(candidate).find(marker) != std::string::npos)
                return candidate;
        }
    }
    return candidates.empty() ? root : candidates.front();
}

std::shared_ptr<const QMimeData> FileDrop::lastDragData()
{
    return dragDataSlot();
}

void FileDrop::start(QPointer<QWidget> view, std::vector<QUrl> urls)
{
    native::runOnUiThread([view, urls = std::move(urls)] { run(view, urls); });
}

void FileDrop::run(QPointer<QWidget> view, std::vector<QUrl> urls)
{
    if (!view)
        return;
    std::shared_ptr<DragInfo> info;
    try {
        const std::vector<QWidget*> found = candidates(view.data());
        for (QWidget* candidate : found)
            AddonLog::debug("Candidate drag view: " + className(candidate) + " (bounds: " + boundsText(candidate) + ")");
        QWidget* target = selectTarget(view.data(), found);
        AddonLog::info("Selected drag view: " + className(target) + " (bounds: " + boundsText(target) + ")");

        QWidget* window = view->window();
        window->raise();
        window->activateWindow();
        target->setFocus(Qt::OtherFocusReason);

        // Each drop keeps its own data; the slot only remembers the latest, so a drop that is
        // still running never reads data a newer one has replaced.
        std::shared_ptr<const QMimeData> data(dragData(urls));
        dragDataSlot() = data;

        info = std::make_shared<DragInfo>(
            DragInfo{data, window, target, target->mapTo(window, target->rect().center())});

        Qt::DropAction operation = Qt::IgnoreAction;
        if (target->acceptDrops()) {
            operation = sendDragEnter(target, *info);
            AddonLog::info("draggingEntered on " + className(target) + ": op=" + std::to_string(int(operation)));
        }
        if (operation == Qt::IgnoreAction) {
            for (QWidget* candidate : found) {
                if (candidate == target)
                    continue;
                const Qt::DropAction answer = sendDragEnter(candidate, *info);
                AddonLog::info("draggingEntered on alternative " + className(candidate)
                               + ": op=" + std::to_string(int(answer)));
                if (answer != Qt::IgnoreAction) {
                    info->target = candidate;
                    break;
                }
            }
        }
    } catch (const std::exception& failure) {
        AddonLog::error(std::string("Drop failed: ") + failure.what());
        return;
    } catch (...) {
        AddonLog::error("Drop failed: unknown exception");
        return;
    }

    QTimer::singleShot(kStepDelayMs, info->target.data(), [info] {
        QWidget* target = info->target.data();
        if (!target || !info->window)
            return;
        if (target->acceptDrops())
            sendDragMove(target, *info);
        QTimer::singleShot(kStepDelayMs, target, [info] { finishDrop(info); });
    });
}

} // namespace tarnwick::addon
