// The preferences window for keyboard and screen reader users and in either appearance: Escape and
// Ctrl+W close it, every control has a name, tool tips are wrapped, the selected account stays
// readable, long names are cut with "…", and a theme switch recolours it live.

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QHelpEvent>
#include <QLabel>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QToolTip>
#include <set>

#include "fakedefaulthandler.h"
#include "helpertestsupport.h"
#include "tarnwick/brand/symbolimage.h"
#include "tarnwick/helper/settingsmodel.h"
#include "tarnwick/helper/settingswindow.h"
#include "tarnwick/helper/settingswindowcontroller.h"
#include "tarnwick/helper/themepreference.h"
#include "tarnwick/platform/fakedesktopcolorscheme.h"
#include "tarnwick/testing/accessiblenames.h"
#include "tarnwick/ui/accountrow.h"
#include "tarnwick/ui/apptheme.h"
#include "tarnwick/ui/colorwell.h"
#include "tarnwick/ui/elidinglineedit.h"
#include "tarnwick/ui/formstyle.h"
#include "tarnwick/ui/installedbrowsers.h"
#include "tarnwick/ui/tooltipwrapper.h"

using namespace tarnwick;
using namespace tarnwick::test;

namespace {

const std::string kLongName = "Quarterly Reports and Invoices for the Northern Region Subsidiaries";

template <typename Pred>
bool waitFor(Pred done)
{
    QDeadlineTimer deadline(5000);
    while (!done() && !deadline.hasExpired())
        QTest::qWait(5);
    return done();
}

double lightness(const QImage& image, QPoint at)
{
    return QColor(image.pixel(at)).lightnessF();
}

class SettingsAccessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_palette = QApplication::palette();
        InstalledBrowsers::setLocator([](const std::string&) { return true; });
        model.setTransport(io.transport);
        model.setAccounts({Object{{"id", "a"}, {"name", "Work"}, {"color", "#3b82f6"}},
                           Object{{"id", "b"}, {"name", kLongName}, {"color", "#22c55e"}, {"needsAuth", true}},
                           Object{{"id", "c"}, {"name", ""}, {"color", "#f97316"}}});
        controller.show(SettingsWindow::buildSpec(model, [] {}), std::nullopt);
        ASSERT_NE(window(), nullptr);
        QApplication::setActiveWindow(window());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window()));
    }
    void TearDown() override
    {
        if (controller.window())
            controller.close();
        QApplication::setPalette(m_palette);
    }
    QWidget* window() const { return controller.window(); }
    QToolButton* tabButton(const char* id) const
    {
        return window()->findChild<QToolButton*>(QStringLiteral("tab:") + QString::fromLatin1(id));
    }
    AccountRow* row(int index) const
    {
        auto* list = window()->findChild<QListWidget*>(QStringLiteral("accountList"));
        return list ? qobject_cast<AccountRow*>(list->itemWidget(list->item(index))) : nullptr;
    }

    QPalette m_palette;
    RecordingTransport io;
    FakeDefaultHandler handler;
    SettingsModel model{handler};
    SettingsWindowController controller;
};

} // namespace

TEST_F(SettingsAccessTest, EscapeAndCtrlWCloseTheWindowButEscapeFirstClosesAnOpenPopUp)
{
    // An open pop-up takes Escape for itself.
    tabButton("advanced")->click();
    auto* combo = window()->findChild<QComboBox*>();
    ASSERT_NE(combo, nullptr);
    combo->showPopup();
    ASSERT_TRUE(waitFor([&] { return combo->view()->isVisible(); }));
    QTest::keyClick(combo->view(), Qt::Key_Escape);
    EXPECT_TRUE(waitFor([&] { return !combo->view()->isVisible(); }));
    QTest::qWait(20);
    ASSERT_NE(window(), nullptr);
    EXPECT_TRUE(window()->isVisible());

    for (auto [key, modifiers] : {std::pair{Qt::Key_Escape, Qt::KeyboardModifiers()}, {Qt::Key_W, Qt::ControlModifier}}) {
        if (!window())
            controller.show(SettingsWindow::buildSpec(model, [] {}), std::nullopt);
        QApplication::setActiveWindow(window());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window()));
        QToolButton* focused = tabButton("general");
        focused->setFocus();
        ASSERT_TRUE(waitFor([&] { return focused->hasFocus(); }));
        QTest::keyClick(focused, key, modifiers);
        EXPECT_TRUE(waitFor([&] { return controller.window() == nullptr; })) << "key " << key;
    }
}

TEST_F(SettingsAccessTest, EveryButtonMenuButtonCheckBoxAndPopUpHasAName)
{
    int checked = 0;
    for (const char* id : {"general", "accounts", "appearance", "notifications", "advanced"}) {
        tabButton(id)->click();
        const auto unnamed = tarnwick::testing::unnamedControls(window(), &checked);
        EXPECT_TRUE(unnamed.empty()) << id << ": " << ::testing::PrintToString(unnamed);
    }
    // The walk reached the tab bar, the switches, pickers and the accounts' controls.
    EXPECT_GE(checked, 30);
    auto* add = window()->findChild<QToolButton*>(QStringLiteral("addAccount"));
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add->accessibleName(), add->toolTip()) << "icon buttons are named as their help texts";
    EXPECT_FALSE(row(0)->colorWell()->accessibleName().isEmpty());
}

TEST_F(SettingsAccessTest, EveryToolTipIsShownWrappedToAReadableWidth)
{
    ToolTipWrapper::install();
    const QFontMetrics metrics(QToolTip::font());
    int wrapped = 0;
    int toolTips = 0;
    for (const char* id : {"general", "accounts", "appearance", "notifications", "advanced"}) {
        tabButton(id)->click();
        for (QWidget* widget : window()->findChildren<QWidget*>()) {
            const QString tip = widget->toolTip();
            if (tip.isEmpty() || !widget->isVisible())
                continue;
            ++toolTips;
            EXPECT_FALSE(tip.contains(QLatin1Char('\n'))) << "the text itself is kept as written";
            // Hovering: the tool tip event the widget gets.
            const QPoint at = widget->rect().center();
            QHelpEvent hover(QEvent::ToolTip, at, widget->mapToGlobal(at));
            QApplication::sendEvent(widget, &hover);
            QLabel* shown = nullptr;
            for (QWidget* top : QApplication::topLevelWidgets())
                if (top->objectName() == QLatin1String("qtooltip_label") && top->isVisible())
                    shown = qobject_cast<QLabel*>(top);
            ASSERT_NE(shown, nullptr) << tip.toStdString();
            const QStringList lines = shown->text().split(QLatin1Char('\n'));
            wrapped += lines.size() > 1;
            EXPECT_EQ(lines.join(QLatin1Char(' ')), tip.simplified());
            for (const QString& line : lines)
                EXPECT_LE(metrics.horizontalAdvance(line), FormStyle::kToolTipWidth) << line.toStdString();
            EXPECT_LE(shown->width(), FormStyle::kToolTipWidth + 40) << tip.toStdString();
            QToolTip::hideText();
        }
    }
    EXPECT_GE(toolTips, 10);
    EXPECT_GE(wrapped, 4) << "the General and Accounts tool tips are long";
}

TEST_F(SettingsAccessTest, TheSelectedAccountIsReadableAndLongNamesEndInAnEllipsis)
{
    tabButton("accounts")->click();
    AccountRow* first = row(0);
    AccountRow* second = row(1);
    ASSERT_TRUE(first && second);
    ASSERT_TRUE(first->isSelected()) << "the first account is selected when the tab comes on screen";
    auto highlighted = [](QWidget* w) { return w->palette().color(QPalette::HighlightedText); };
    EXPECT_EQ(first->nameField()->palette().color(QPalette::Text), highlighted(first));
    EXPECT_NE(second->nameField()->palette().color(QPalette::Text), highlighted(second));
    // The profile summary ("No profiles", greyed out) on the highlight.
    auto* summary = first->findChild<QToolButton*>(QStringLiteral("profileMenu"));
    ASSERT_NE(summary, nullptr);
    ASSERT_FALSE(summary->isEnabled());
    EXPECT_EQ(summary->text(), "No profiles");
    const QColor grey = summary->palette().color(QPalette::Disabled, QPalette::ButtonText);
    EXPECT_EQ(grey.rgb(), highlighted(first).rgb());

    // Selecting another row moves the colours, and they follow a new palette.
    second->nameField()->setFocus();
    ASSERT_TRUE(waitFor([&] { return second->isSelected(); }));
    EXPECT_FALSE(first->isSelected());
    EXPECT_NE(first->nameField()->palette().color(QPalette::Text), highlighted(first));
    QApplication::setPalette(AppTheme::darkPalette());
    EXPECT_EQ(second->nameField()->palette().color(QPalette::Text), AppTheme::darkPalette().color(QPalette::HighlightedText));
    EXPECT_EQ(first->nameField()->palette().color(QPalette::Text), AppTheme::darkPalette().color(QPalette::Text));

    // Unfocused, the long name shows its start and ends in "…"; focused, the whole of it is edited.
    tabButton("accounts")->setFocus();
    auto* field = qobject_cast<ElidingLineEdit*>(second->nameField());
    ASSERT_NE(field, nullptr);
    ASSERT_TRUE(waitFor([&] { return !field->hasFocus(); }));
    const QString shown = field->shownText();
    EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
    EXPECT_TRUE(QString::fromStdString(kLongName).startsWith(shown.chopped(1))) << shown.toStdString();
    field->setFocus();
    ASSERT_TRUE(waitFor([&] { return field->hasFocus(); }));
    EXPECT_EQ(field->shownText().toStdString(), kLongName);
}

TEST_F(SettingsAccessTest, ThemeSwitchesTheOpenWindowLive)
{
    FakeDesktopColorScheme desktop;
    AppTheme theme(desktop);
    ThemePreference::follow(model, theme);
    auto background = [this] {
        const QImage image = window()->grab().toImage();
        return lightness(image, QPoint(image.width() - 4, image.height() - 4));
    };
    auto tabInk = [this] {
        // The darkest or lightest pixel of the unchosen tab's icon: its ink.
        const QImage icon = tabButton("advanced")->icon().pixmap(QSize(24, 24), 1.0, QIcon::Normal, QIcon::Off).toImage();
        double ink = 0.5;
        for (int y = 0; y < icon.height(); ++y)
            for (int x = 0; x < icon.width(); ++x)
                if (qAlpha(icon.pixel(x, y)) > 200)
                    ink = QColor(icon.pixel(x, y)).lightnessF();
        return ink;
    };
    const double lightBackground = background();
    EXPECT_GT(lightBackground, 0.6);
    EXPECT_LT(tabInk(), 0.4);

    auto segment = [this](const char* text) -> QPushButton* {
        for (QPushButton* b : window()->findChildren<QPushButton*>())
            if (b->text() == QLatin1String(text))
                return b;
        return nullptr;
    };
    tabButton("appearance")->click();
    QPushButton* lightSegment = segment("Light");
    ASSERT_NE(lightSegment, nullptr);
    auto segmentFill = [&] {
        const QImage image = lightSegment->grab().toImage();
        return lightness(image, QPoint(4, image.height() / 2));
    };
    EXPECT_GT(segmentFill(), 0.6);

    model.update(Object{{"theme", "dark"}});
    QTest::qWait(20);
    EXPECT_LT(background(), 0.3) << "the window is dark";
    EXPECT_LT(segmentFill(), 0.4) << "the segments' style sheet takes the dark palette too";
    EXPECT_GT(tabInk(), 0.6) << "tab icons are drawn again in the light ink";
    EXPECT_TRUE(io.take().empty()) << "a value from the main application is not echoed";

    model.update(Object{{"theme", "system"}});
    desktop.setScheme(ColorScheme::dark);
    QTest::qWait(20);
    EXPECT_LT(background(), 0.3) << "system follows the desktop's dark scheme";
    desktop.setScheme(ColorScheme::light);
    QTest::qWait(20);
    EXPECT_GT(background(), 0.6);
}

// The tabs' symbols come from the desktop's icon theme where it has the same idea, else the drawn
// picture: never Breeze's alarm clock for Notifications or its "≡" for Advanced.
TEST(PreferenceTabSymbols, ResolveInBreezeAdwaitaAndHicolor)
{
    const QString savedTheme = QIcon::themeName();
    const QStringList savedPaths = QIcon::themeSearchPaths();
    QIcon::setThemeSearchPaths({QStringLiteral("/usr/share/icons")});
    const std::vector<std::string_view> symbols{"gearshape", "person.2", "paintbrush", "bell", "wrench.adjustable"};
    // Names whose picture in one of the themes means something else, or is a coloured or filled blob
    // once recoloured.
    const std::set<std::string> wrongPictures{"alarm-symbolic", "preferences-other-symbolic", "preferences-other",
                                              "system-users", "preferences-desktop-appearance-symbolic"};
    for (const char* theme : {"breeze", "Adwaita", "hicolor"}) {
        if (!QFileInfo::exists(QStringLiteral("/usr/share/icons/%1/index.theme").arg(QLatin1String(theme)))) {
            ADD_FAILURE() << theme << " is not installed (scripts/setup.sh installs it)";
            continue;
        }
        QIcon::setThemeName(QString::fromLatin1(theme));
        QImage sheet(QSize(24 * int(symbols.size()) + 8 * int(symbols.size() + 1), 40), QImage::Format_ARGB32);
        sheet.fill(Qt::white);
        int x = 8;
        for (std::string_view symbol : symbols) {
            std::string used = "drawn";
            for (std::string_view name : SymbolImage::themeIconNames(symbol)) {
                if (QIcon::hasThemeIcon(QString::fromLatin1(name.data(), qsizetype(name.size())))) {
                    used = std::string(name);
                    break;
                }
            }
            EXPECT_FALSE(wrongPictures.contains(used)) << theme << " " << symbol << " uses " << used;
            if (std::string_view(theme) != "hicolor") {
                EXPECT_EQ(SymbolImage::source(symbol), SymbolImage::Source::Theme) << theme << " " << symbol;
            }
            QPainter painter(&sheet);
            painter.drawImage(QPoint(x, 8), SymbolImage::render(symbol, QSize(24, 24), Qt::black, 1.0));
            x += 32;
        }
#ifdef TARNWICK_REVIEW_DIR
        QDir().mkpath(QStringLiteral(TARNWICK_REVIEW_DIR));
        sheet.save(QStringLiteral(TARNWICK_REVIEW_DIR "/preference-tab-symbols-%1.png").arg(QLatin1String(theme)));
#endif
    }
    QIcon::setThemeSearchPaths(savedPaths);
    QIcon::setThemeName(savedTheme);
}
