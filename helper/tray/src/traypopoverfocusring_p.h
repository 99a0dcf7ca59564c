#pragma once

// A keyboard focus ring for the popover's buttons, whose flat or accent-filled looks hide the
// style's own focus frame: a rounded line in the palette's highlight, a little outside the button,
// drawn by a transparent sibling while the button has the focus. Main thread only.

#include <QPointer>
#include <QWidget>

namespace tarnwick {

class TrayPopoverFocusRing : public QWidget {
public:
    /// Rings `target` (which must have a parent widget) for as long as both live.
    static void attach(QWidget* target, double radius);

    /// The ring's colour: the target's highlight, so it follows the theme.
    static QColor color(const QWidget* target);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    TrayPopoverFocusRing(QWidget* target, double radius);
    void follow();

    QPointer<QWidget> m_target;
    double m_radius;
};

} // namespace tarnwick
