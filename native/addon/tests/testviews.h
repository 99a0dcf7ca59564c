#pragma once

// Widgets for the addon's tests: views that accept drops and record every drag event they get,
// under the class names the drop looks for.

#include <QMutex>
#include <QStringList>
#include <QWidget>

namespace tarnwick::addon::testing {

/// Every recorded event, "<objectName>:<event>[ details]", oldest first. Thread-safe.
class EventLog {
public:
    static void append(const QString& entry);
    static QStringList take();
};

class PlainView : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
};

class RecordingView : public QWidget {
    Q_OBJECT
public:
    explicit RecordingView(bool accepts, QWidget* parent = nullptr);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool accepts_;
};

class DropView : public RecordingView {
    Q_OBJECT
public:
    using RecordingView::RecordingView;
};

class HostWebContentsView : public RecordingView {
    Q_OBJECT
public:
    using RecordingView::RecordingView;
};

class HostRenderWidgetHostView : public RecordingView {
    Q_OBJECT
public:
    using RecordingView::RecordingView;
};

} // namespace tarnwick::addon::testing
