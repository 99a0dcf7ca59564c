#include "tarnwick/helper/traypopover.h"

#include <QCursor>
#include <QApplication>
#include <QHideEvent>
#include <QKeyEvent>
#include <QResizeEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

#include "tarnwick/helper/swaypopoverplacement.h"
#include "tarnwick/helper/traypopoverview.h"
#include "tarnwick/helper/traysearchfield.h"
#include "tarnwick/helper/traystyle.h"
#include "traypopoverpanel_p.h"
#include "xwaylandpopover_p.h"

namespace tarnwick {

namespace {

Qt::WindowFlags popoverFlags()
{
    const Qt::WindowFlags common = Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint;
    if (xwaylandpopover::active())
        return common | Qt::Tool | Qt::WindowStaysOnTopHint;
    return common | Qt::Popup;
}

} // namespace

TrayPopover::TrayPopover(TrayModel& model, TrayPopoverActions actions, const Clock& clock, QWidget* parent)
    : QWidget(parent, popoverFlags())
{
    setObjectName(QStringLiteral("trayPopover"));
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowTitle(QStringLiteral("Tarnwick"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // The window follows the content's preferred size as the model changes.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_view = new TrayPopoverView(model, std::move(actions), clock, this);
    layout->addWidget(m_view);
}

QPoint TrayPopover::placement(QPoint click, QSize size, QRect screen)
{
    int x = click.x() - size.width() / 2;
    // A click on a panel outside the work area puts the popover flush against the panel's edge: it
    // never covers the panel and the item on it.
    const int below = click.y() < screen.top() ? screen.top() : click.y() + kGap;
    const int above = click.y() > screen.bottom() ? screen.bottom() + 1 - size.height()
                                                  : click.y() - kGap - size.height();
    int y = below;
    if (y + size.height() > screen.bottom() + 1 && above >= screen.top())
        y = above;
    x = std::clamp(x, screen.left(), std::max(screen.left(), screen.right() + 1 - size.width()));
    y = std::clamp(y, screen.top(), std::max(screen.top(), screen.bottom() + 1 - size.height()));
    return {x, y};
}

QPoint TrayPopover::fromDesktopPixels(QPoint point)
{
    // Qt's scaling (QT_SCALE_FACTOR, the desktop's own scale) divides each screen's pixels around
    // the screen's origin; the window system's coordinates are the undivided ones.
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect logical = screen->geometry();
        const qreal ratio = screen->devicePixelRatio();
        const QRect native(logical.topLeft(), (QSizeF(logical.size()) * ratio).toSize());
        if (native.contains(point))
            return logical.topLeft() + QPointF(QPointF(point - logical.topLeft()) / ratio).toPoint();
    }
    return point;
}

void TrayPopover::showAt(std::optional<QPoint> click)
{
    const QPoint point = click ? fromDesktopPixels(*click) : QCursor::pos();
    QScreen* screen = QGuiApplication::screenAt(point);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    QRect area = screen ? screen->availableGeometry() : QRect();
    // Without a window manager the work area still covers the panel: the panel's window says where
    // it is.
    if (click && !area.isEmpty()) {
        if (const auto dock = traypopoverpanel::dockAt(*click)) {
            const QRect panel(fromDesktopPixels(dock->topLeft()), fromDesktopPixels(dock->bottomRight()));
            area = traypopoverpanel::besidePanel(area, panel);
        }
    }
    // The whole popover must fit the work area, a gap from the panel and one from the far edge.
    if (!area.isEmpty())
        m_view->setAvailableHeight(area.height() - 2 * kGap);
    if (!m_view->contentBlock()->isHidden())
        m_view->searchField()->setFocus(Qt::PopupFocusReason); // typing goes to the search at once
    adjustSize();
    m_anchor = point;
    m_area = area.isEmpty() ? QRect(QPoint(0, 0), size()) : area;
    move(placement(point, size(), m_area));
    const bool managed = isManaged();
    if (managed && !isVisible()) {
        xwaylandpopover::keepOutOfTaskbar(*this);
        xwaylandpopover::setStartupId(*this, m_activationToken);
    }
    show();
    raise();
    activateWindow();
    if (managed)
        xwaylandpopover::keepOutOfTaskbar(*this);
    // On sway the window cannot place itself and the click point is the item's own: sway moves it.
    if (const std::string socket = SwayPopoverPlacement::socketPath(); !socket.empty()) {
        if (!m_swayPlacement)
            m_swayPlacement = new SwayPopoverPlacement(socket, *this);
        m_swayPlacement->start();
    }
}

bool TrayPopover::event(QEvent* event)
{
    // A managed popover (see xwaylandpopover_p.h) closes like a popup: when the user turns to
    // anything else, unless it is one of the popover's own menus.
    if (event->type() == QEvent::WindowDeactivate && isManaged() && isVisible() &&
        !QApplication::activePopupWidget())
        close();
    return QWidget::event(event);
}

void TrayPopover::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && isManaged()) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TrayPopover::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The content settles after the window is shown (messages arrive, a section folds): a popover
    // opened upwards from a bottom panel must keep its foot at the item, not float above it.
    if (m_anchor && !m_swayPlacement && !m_area.isEmpty())
        move(placement(*m_anchor, size(), m_area));
}

void TrayPopover::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(traystyle::primary(0.16), 1));
    painter.setBrush(palette().color(QPalette::Window));
    painter.drawRoundedRect(r, 10, 10);
}

void TrayPopover::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (event->spontaneous())
        return; // minimised by the window system, not closed
    Q_EMIT aboutToClose();
    Q_EMIT closed();
}

} // namespace tarnwick
