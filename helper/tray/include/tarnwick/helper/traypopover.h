#pragma once

// The tray popover's window: a frameless popup holding a TrayPopoverView, opened below the point the
// tray was clicked at and kept on that screen. It closes like any popup (a click elsewhere, Escape)
// or when asked, and reports aboutToClose then closed each time it goes. Main thread only.

#include <QPoint>
#include <QRect>
#include <QWidget>
#include <optional>

#include "tarnwick/helper/clock.h"
#include "tarnwick/helper/traypopoveractions.h"

namespace tarnwick {

class TrayModel;
class SwayPopoverPlacement;
class TrayPopoverView;

class TrayPopover : public QWidget {
    Q_OBJECT
public:
    /// Room between the click point and the popover.
    static constexpr int kGap = 6;

    TrayPopover(TrayModel& model, TrayPopoverActions actions, const Clock& clock = Clock::system(),
                QWidget* parent = nullptr);

    TrayPopoverView* view() const { return m_view; }

    /// The top-left corner for a popover of `size` opened from `click` on a screen whose usable area
    /// is `screen`: centred under the point, above it when there is no room below (a panel at the
    /// bottom), and moved inside the screen. A click outside the usable area (on a panel) puts it
    /// flush against the area's edge.
    static QPoint placement(QPoint click, QSize size, QRect screen);
    /// A point in the window system's pixels (where a tray host reports clicks) in Qt's scaled ones.
    static QPoint fromDesktopPixels(QPoint point);
    /// The desktop's activation token for the next showing, if it gave one.
    void setActivationToken(const QString& token) { m_activationToken = token; }
    /// Shows the popover below `click` (in the window system's pixels; the pointer when unknown), its
    /// list short enough for the whole popover to fit the screen's work area, the keyboard in the
    /// search field.
    void showAt(std::optional<QPoint> click);

Q_SIGNALS:
    void aboutToClose();
    void closed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    /// A managed window (on XWayland) rather than a popup: it closes on Escape and on losing the
    /// focus itself. (Qt::Tool includes Qt::Popup's bits, so this asks the window type.)
    bool isManaged() const { return windowType() != Qt::Popup; }
    TrayPopoverView* m_view = nullptr;
    /// Where it was opened from, to stay anchored there as its content grows or shrinks.
    std::optional<QPoint> m_anchor;
    QRect m_area;
    QString m_activationToken;
    SwayPopoverPlacement* m_swayPlacement = nullptr;
};

} // namespace tarnwick
