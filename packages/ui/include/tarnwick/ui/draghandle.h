#pragma once

// The grip at the start of a list row: pressing it and moving the mouse drags the row. It reports the
// drag in global coordinates and leaves the reordering to the list that owns the row.

#include <QPoint>
#include <QWidget>

namespace tarnwick {

class DragHandle : public QWidget {
    Q_OBJECT
public:
    explicit DragHandle(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    bool dragging() const { return m_dragging; }

Q_SIGNALS:
    /// The mouse moved past the drag distance with the button held: the drag has begun.
    void dragStarted(QPoint globalPos);
    void dragMoved(QPoint globalPos);
    /// The button was released after a drag began.
    void dropped(QPoint globalPos);
    /// Escape, or the mouse grab was lost, before the drop.
    void dragCancelled();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void cancel();

    QPoint m_pressAt;
    bool m_pressed = false;
    bool m_dragging = false;
};

} // namespace tarnwick
