#pragma once

// Dropping files onto the web view as if the user had dragged them there: the drop-accepting
// widget of the web content receives the ordinary Qt drag-and-drop event sequence.

#include <QMimeData>
#include <QPoint>
#include <QPointer>
#include <QUrl>
#include <QWidget>

#include <memory>
#include <vector>

namespace tarnwick::addon {

/// The synthetic drag behind one drop (the counterpart of a platform's dragging info): what is
/// dragged, where, and onto which widget. Holds the window and the target weakly.
struct DragInfo {
    std::shared_ptr<const QMimeData> data;
    QPointer<QWidget> window;
    QPointer<QWidget> target;
    QPoint location; ///< in the target's coordinates
};

class FileDrop {
public:
    /// Delay between drag-enter, drag-move and drop.
    static constexpr int kStepDelayMs = 50;

    /// The file URLs for `paths`: relative paths are taken from the working directory, empty
    /// ones left out.
    static std::vector<QUrl> fileUrls(const std::vector<std::string>& paths);

    /// The drag data for `urls`: the URL list (text/uri-list) and the local paths, one per
    /// line, as plain text, the form file managers offer.
    static std::unique_ptr<QMimeData> dragData(const std::vector<QUrl>& urls);

    /// Widgets that accept drops in `root`'s tree, depth first, a widget before its children.
    static std::vector<QWidget*> candidates(QWidget* root);

    /// The first candidate whose class name contains "WebContentsView", else the first whose
    /// class name contains "RenderWidgetHostView", else the first candidate, else `root`.
    static QWidget* selectTarget(QWidget* root, const std::vector<QWidget*>& candidates);

    /// Starts the drop of `urls` onto `view`'s tree and returns; the events follow over about
    /// 100 ms on the UI thread. Any thread; `view` must come from findWidget().
    static void start(QPointer<QWidget> view, std::vector<QUrl> urls);

    /// The most recent drag data (what a platform keeps on its drag pasteboard). UI thread only.
    static std::shared_ptr<const QMimeData> lastDragData();

private:
    static void run(QPointer<QWidget> view, std::vector<QUrl> urls);
};

} // namespace tarnwick::addon
