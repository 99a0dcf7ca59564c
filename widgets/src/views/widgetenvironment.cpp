#include "tarnwick/widgets/views/widgetenvironment.h"

#include <QGuiApplication>
#include <QPalette>
#include <QScreen>

namespace tarnwick {

WidgetEnvironment WidgetEnvironment::current()
{
    WidgetEnvironment env;
    env.now = QDateTime::currentDateTime();
    env.timeZone = QTimeZone::systemTimeZone();
    env.locale = QLocale();
    const QPalette palette = QGuiApplication::palette();
    env.dark = palette.color(QPalette::Window).lightness() < 128;
    QColor text = palette.color(QPalette::WindowText);
    if (!text.isValid())
        text = env.dark ? Qt::white : Qt::black;
    // Label colours of a desktop widget: strong, secondary and tertiary text are one ink at falling
    // opacity, so they sit well on any card colour.
    env.primary = text;
    env.primary.setAlphaF(env.dark ? 0.92 : 0.86);
    env.secondary = text;
    env.secondary.setAlphaF(env.dark ? 0.6 : 0.54);
    env.tertiary = text;
    env.tertiary.setAlphaF(env.dark ? 0.36 : 0.32);
    env.accent = palette.color(QPalette::Highlight);
    env.green = env.dark ? QColor(48, 209, 88) : QColor(40, 175, 75);
    env.background = env.dark ? QColor(38, 38, 42) : QColor(255, 255, 255);
    return env;
}

QColor WidgetEnvironment::primaryAt(qreal opacity) const
{
    QColor c = primary;
    c.setAlphaF(opacity);
    return c;
}

QFont WidgetEnvironment::font(qreal size, QFont::Weight weight)
{
    QFont f = QGuiApplication::font();
    // Sizes are given in device-independent pixels; Qt's point sizes are scaled by the logical DPI.
    qreal dpi = 96;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        dpi = screen->logicalDotsPerInchY();
    f.setPointSizeF(size * 72.0 / (dpi > 0 ? dpi : 96));
    f.setWeight(weight);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

} // namespace tarnwick
