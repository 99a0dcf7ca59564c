#include "traypopoverfocusring_p.h"

#include <QEvent>
#include <QPainter>

namespace tarnwick {

namespace {
constexpr int kOutset = 3;
constexpr double kLine = 2;
} // namespace

void TrayPopoverFocusRing::attach(QWidget* target, double radius)
{
    if (target && target->parentWidget())
        new TrayPopoverFocusRing(target, radius);
}

QColor TrayPopoverFocusRing::color(const QWidget* target)
{
    return target->palette().color(QPalette::Active, QPalette::Highlight);
}

TrayPopoverFocusRing::TrayPopoverFocusRing(QWidget* target, double radius)
    : QWidget(target->parentWidget())
    , m_target(target)
    , m_radius(radius)
{
    setObjectName(QStringLiteral("focusRing"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    target->installEventFilter(this);
    hide();
}

bool TrayPopoverFocusRing::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_target) {
        switch (event->type()) {
        case QEvent::FocusIn:
        case QEvent::FocusOut:
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
            follow();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TrayPopoverFocusRing::follow()
{
    if (!m_target)
        return;
    const bool shown = m_target->hasFocus() && m_target->isVisible();
    if (shown) {
        setGeometry(m_target->geometry().adjusted(-kOutset, -kOutset, kOutset, kOutset));
        raise();
    }
    setVisible(shown);
    update();
}

void TrayPopoverFocusRing::paintEvent(QPaintEvent*)
{
    if (!m_target)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(color(m_target), kLine));
    painter.setBrush(Qt::NoBrush);
    const double inset = kLine / 2;
    painter.drawRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), m_radius + kOutset - inset,
                            m_radius + kOutset - inset);
}

} // namespace tarnwick
