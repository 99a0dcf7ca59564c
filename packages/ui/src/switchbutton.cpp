#include "tarnwick/ui/switchbutton.h"

#include <QPainter>
#include <QPainterPath>

namespace tarnwick {

SwitchButton::SwitchButton(const QString& text, QWidget* parent)
    : QAbstractButton(parent)
{
    setText(text);
    setAccessibleName(text);
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize SwitchButton::sizeHint() const
{
    return {38, 22};
}

void SwitchButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF track = QRectF(rect()).adjusted(1, 1, -1, -1);
    const qreal radius = track.height() / 2;
    const QPalette& pal = palette();
    QColor on = pal.color(QPalette::Highlight);
    // The text colour, faint: an off track that shows on light and dark windows alike.
    QColor off = pal.color(QPalette::WindowText);
    off.setAlphaF(0.28f);
    if (!isEnabled()) {
        on.setAlphaF(0.4f);
        off.setAlphaF(off.alphaF() * 0.4f);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(isChecked() ? on : off);
    p.drawRoundedRect(track, radius, radius);

    const qreal knob = track.height() - 4;
    const qreal x = isChecked() ? track.right() - 2 - knob : track.left() + 2;
    p.setBrush(QColor(255, 255, 255));
    p.setPen(QPen(QColor(0, 0, 0, 40), 0.5));
    p.drawEllipse(QRectF(x, track.top() + 2, knob, knob));

    if (hasFocus()) {
        // Full strength: a half-transparent ring all but vanishes on a dark window.
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(pal.color(QPalette::Highlight), 1.5));
        p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius + 1, radius + 1);
    }
}

} // namespace tarnwick
