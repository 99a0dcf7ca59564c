#include "tarnwick/ui/apptheme.h"

#include <QApplication>
#include <QToolTip>

namespace tarnwick {

namespace {

struct Colours {
    QColor window, windowText, base, alternateBase, button, buttonText, text, highlight, highlightedText, link,
        toolTipBase, toolTipText, disabledText;
};

QPalette build(const Colours& c)
{
    QPalette p(c.windowText, c.button, c.button.lighter(150), c.button.darker(200), c.button.darker(140), c.text,
               QColor(Qt::white), c.base, c.window);
    p.setColor(QPalette::AlternateBase, c.alternateBase);
    p.setColor(QPalette::ButtonText, c.buttonText);
    p.setColor(QPalette::Highlight, c.highlight);
    p.setColor(QPalette::HighlightedText, c.highlightedText);
    p.setColor(QPalette::Link, c.link);
    p.setColor(QPalette::LinkVisited, c.link.darker(120));
    p.setColor(QPalette::ToolTipBase, c.toolTipBase);
    p.setColor(QPalette::ToolTipText, c.toolTipText);
    QColor placeholder = c.text;
    placeholder.setAlpha(128);
    p.setColor(QPalette::PlaceholderText, placeholder);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, c.disabledText);
    p.setColor(QPalette::Disabled, QPalette::Highlight, c.button.darker(120));
    p.setColor(QPalette::Disabled, QPalette::HighlightedText, c.disabledText);
    // Shadows and the frame line of a dark palette are darker than its window, never lighter.
    p.setColor(QPalette::Shadow, QColor(0, 0, 0));
    return p;
}

} // namespace

QPalette AppTheme::lightPalette()
{
    return build({QColor(0xef, 0xf0, 0xf1), QColor(0x23, 0x26, 0x29), QColor(0xfc, 0xfc, 0xfc),
                  QColor(0xf2, 0xf3, 0xf4), QColor(0xf6, 0xf7, 0xf7), QColor(0x23, 0x26, 0x29),
                  QColor(0x23, 0x26, 0x29), QColor(0x2f, 0x7d, 0xd3), QColor(0xff, 0xff, 0xff),
                  QColor(0x1d, 0x6f, 0xc6), QColor(0xf7, 0xf7, 0xf7), QColor(0x23, 0x26, 0x29),
                  QColor(0x8a, 0x8d, 0x90)});
}

QPalette AppTheme::darkPalette()
{
    return build({QColor(0x2a, 0x2e, 0x32), QColor(0xf0, 0xf1, 0xf2), QColor(0x1e, 0x21, 0x24),
                  QColor(0x26, 0x29, 0x2d), QColor(0x36, 0x3b, 0x41), QColor(0xf0, 0xf1, 0xf2),
                  QColor(0xf0, 0xf1, 0xf2), QColor(0x3d, 0x8e, 0xe0), QColor(0xff, 0xff, 0xff),
                  QColor(0x6c, 0xb4, 0xf5), QColor(0x31, 0x36, 0x3b), QColor(0xf0, 0xf1, 0xf2),
                  QColor(0x7f, 0x84, 0x89)});
}

Appearance AppTheme::appearanceOf(const QPalette& palette)
{
    return palette.color(QPalette::Window).lightnessF() < palette.color(QPalette::WindowText).lightnessF()
               ? Appearance::dark
               : Appearance::light;
}

AppTheme::AppTheme(DesktopColorScheme& desktop, QObject* parent)
    : QObject(parent)
    , m_desktop(desktop)
    , m_platformPalette(QApplication::palette())
    , m_appearance(appearanceOf(m_platformPalette))
{
    connect(&m_desktop, &DesktopColorScheme::schemeChanged, this, [this] { apply(); });
    apply();
}

void AppTheme::setTheme(std::string theme)
{
    if (theme == m_theme)
        return;
    m_theme = std::move(theme);
    apply();
}

void AppTheme::apply()
{
    const Appearance platform = appearanceOf(m_platformPalette);
    const Appearance wanted = ThemeChoice::resolve(m_theme, m_desktop.scheme(), platform);
    const QPalette palette = wanted == platform ? m_platformPalette
                             : wanted == Appearance::dark ? darkPalette()
                                                          : lightPalette();
    if (QApplication::palette() != palette) {
        QApplication::setPalette(palette);
        QToolTip::setPalette(palette);
    }
    if (wanted == m_appearance)
        return;
    m_appearance = wanted;
    Q_EMIT appearanceChanged(wanted);
}

} // namespace tarnwick
