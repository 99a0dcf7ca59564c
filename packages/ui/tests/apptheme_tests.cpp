// The theme put into effect: the application palette follows the preference and the desktop's scheme
// live, styles that keep palette colours are rebuilt, and the windows' close keys.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>

#include "tarnwick/platform/fakedesktopcolorscheme.h"
#include "tarnwick/ui/apptheme.h"
#include "tarnwick/ui/formstyle.h"
#include "tarnwick/ui/palettefollower.h"
#include "tarnwick/ui/windowkeys.h"

using namespace tarnwick;

namespace {

bool isDark(const QPalette& palette)
{
    return palette.color(QPalette::Window).lightnessF() < 0.35 && palette.color(QPalette::WindowText).lightnessF() > 0.65;
}

bool isLight(const QPalette& palette)
{
    return palette.color(QPalette::Window).lightnessF() > 0.65 && palette.color(QPalette::WindowText).lightnessF() < 0.35;
}

// Each case starts from the platform's own palette and leaves it so.
class AppThemeTest : public ::testing::Test {
protected:
    void SetUp() override { m_original = QApplication::palette(); }
    void TearDown() override
    {
        QApplication::setPalette(m_original);
        QToolTip::setPalette(m_original);
    }
    QPalette m_original;
    FakeDesktopColorScheme desktop;
};

} // namespace

TEST_F(AppThemeTest, OwnPalettesAreReadableAndOfTheirAppearance)
{
    for (const QPalette& palette : {AppTheme::lightPalette(), AppTheme::darkPalette()}) {
        for (auto [back, fore] : {std::pair{QPalette::Window, QPalette::WindowText}, {QPalette::Base, QPalette::Text},
                                  {QPalette::Button, QPalette::ButtonText},
                                  {QPalette::Highlight, QPalette::HighlightedText},
                                  {QPalette::ToolTipBase, QPalette::ToolTipText}}) {
            const double contrast = std::abs(palette.color(back).lightnessF() - palette.color(fore).lightnessF());
            EXPECT_GT(contrast, 0.3) << "role " << back;
        }
    }
    EXPECT_TRUE(isLight(AppTheme::lightPalette()));
    EXPECT_TRUE(isDark(AppTheme::darkPalette()));
    EXPECT_EQ(AppTheme::appearanceOf(AppTheme::darkPalette()), Appearance::dark);
    EXPECT_EQ(AppTheme::appearanceOf(AppTheme::lightPalette()), Appearance::light);
}

TEST_F(AppThemeTest, PreferenceForcesOrFollowsTheDesktopLive)
{
    // The test platform's palette is light.
    ASSERT_EQ(AppTheme::appearanceOf(QApplication::palette()), Appearance::light);
    AppTheme theme(desktop);
    QSignalSpy changes(&theme, &AppTheme::appearanceChanged);
    EXPECT_EQ(theme.appearance(), Appearance::light);
    EXPECT_EQ(QApplication::palette(), m_original) << "system without a desktop preference keeps the platform palette";

    desktop.setScheme(ColorScheme::dark);
    EXPECT_EQ(theme.appearance(), Appearance::dark);
    EXPECT_TRUE(isDark(QApplication::palette()));
    EXPECT_TRUE(isDark(QToolTip::palette()));
    ASSERT_EQ(changes.count(), 1);

    theme.setTheme("light");
    EXPECT_EQ(QApplication::palette(), m_original) << "the platform's own light palette serves for light";
    desktop.setScheme(ColorScheme::light);
    desktop.setScheme(ColorScheme::dark);
    EXPECT_EQ(theme.appearance(), Appearance::light) << "a forced appearance ignores the desktop";

    theme.setTheme("dark");
    EXPECT_TRUE(isDark(QApplication::palette()));
    theme.setTheme("system");
    EXPECT_TRUE(isDark(QApplication::palette())) << "the desktop still prefers dark";
    desktop.setScheme(ColorScheme::noPreference);
    EXPECT_EQ(QApplication::palette(), m_original);
    EXPECT_EQ(changes.count(), 4);
}

TEST_F(AppThemeTest, DarkPlatformPaletteIsKeptForDarkAndReplacedForLight)
{
    QApplication::setPalette(AppTheme::darkPalette());
    QPalette platform = AppTheme::darkPalette();
    AppTheme theme(desktop);
    theme.setTheme("dark");
    EXPECT_EQ(QApplication::palette(), platform);
    theme.setTheme("light");
    EXPECT_TRUE(isLight(QApplication::palette()));
    theme.setTheme("system");
    EXPECT_EQ(QApplication::palette(), platform);
}

TEST_F(AppThemeTest, KeptColoursAreRebuiltForANewPalette)
{
    QWidget window;
    QLabel* caption = FormStyle::caption(QStringLiteral("A note"), &window);
    int restyled = 0;
    auto* follower = new QObject(&window);
    PaletteFollower::follow(follower, [&restyled] { ++restyled; });
    const QColor lightTone = caption->palette().color(QPalette::WindowText);
    EXPECT_LT(lightTone.lightnessF(), 0.5);

    AppTheme theme(desktop);
    theme.setTheme("dark");
    EXPECT_EQ(restyled, 1);
    const QColor darkTone = caption->palette().color(QPalette::WindowText);
    EXPECT_GT(darkTone.lightnessF(), 0.5) << "the caption's secondary text must stay readable on dark";
    EXPECT_NEAR(darkTone.alphaF(), lightTone.alphaF(), 0.01) << "and keep its tone";

    delete follower;
    theme.setTheme("light");
    EXPECT_EQ(restyled, 1) << "a follower whose context is gone is not called";
    EXPECT_EQ(caption->palette().color(QPalette::WindowText), lightTone);
}

TEST(WindowKeys, EscapeAndCtrlWCloseTheWindow)
{
    for (auto [key, modifiers] : {std::pair{Qt::Key_Escape, Qt::KeyboardModifiers()}, {Qt::Key_W, Qt::ControlModifier}}) {
        QWidget window;
        auto* button = new QPushButton(QStringLiteral("Focus"), &window);
        WindowKeys::closeOnEscape(&window);
        window.show();
        QApplication::setActiveWindow(&window);
        button->setFocus();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(button, key, modifiers);
        EXPECT_FALSE(window.isVisible()) << "key " << key;
    }
    // Other keys leave it open.
    QWidget window;
    WindowKeys::closeOnEscape(&window);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_W);
    QTest::keyClick(&window, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_TRUE(window.isVisible());
}

TEST(FormStyleToolTip, LongTextIsBrokenIntoLinesOfAReadableWidth)
{
    const QFontMetrics metrics(QToolTip::font());
    EXPECT_EQ(FormStyle::toolTip(QString()), QString());
    EXPECT_EQ(FormStyle::toolTip(QStringLiteral("Add an account")), "Add an account");
    // Rich text is left to the tool tip's own wrapping.
    EXPECT_EQ(FormStyle::toolTip(QStringLiteral("<b>bold</b> text")), "<b>bold</b> text");

    const QString sentence = QStringLiteral(
        "Opens a compose window from any application. It always asks which account to send from when there is "
        "more than one, since no account is on screen to be the active one.");
    const QString wrapped = FormStyle::toolTip(sentence, 200);
    const QStringList lines = wrapped.split(QLatin1Char('\n'));
    EXPECT_GE(lines.size(), 3);
    for (const QString& line : lines)
        EXPECT_LE(metrics.horizontalAdvance(line), 200) << line.toStdString();
    EXPECT_EQ(lines.join(QLatin1Char(' ')), sentence) << "no word is lost or split";

    // A word longer than the width keeps a line of its own; line breaks already there stay.
    const QString word(60, QLatin1Char('w'));
    EXPECT_EQ(FormStyle::toolTip(QStringLiteral("a ") + word + QStringLiteral(" b"), 100), "a\n" + word + "\nb");
    EXPECT_EQ(FormStyle::toolTip(QStringLiteral("one\ntwo")), "one\ntwo");
}
