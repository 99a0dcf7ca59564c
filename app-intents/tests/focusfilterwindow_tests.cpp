// The Focus filter window clicked like a user: boxes shown from the saved state, Apply writing what
// `apply` writes plus the Do Not Disturb choice, and its failures on screen.

#define QTEST_QPA_MOUSE_HANDLING
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QApplication>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include "tarnwick/appintents/focusfiltergui.h"
#include "tarnwick/appintents/focusfilterwindow.h"
#include "tarnwick/extensionkit/appintentslogger.h"
#include "tarnwick/extensionkit/focusfilterfile.h"
#include "tarnwick/platform/fakesystempaths.h"
#include "tarnwick/platform/fakedesktopcolorscheme.h"
#include "tarnwick/testing/accessiblenames.h"
#include "tarnwick/testing/tempdir.h"
#include "tarnwick/ui/apptheme.h"

using namespace tarnwick;
namespace fs = std::filesystem;
namespace tt = tarnwick::testing;

namespace {

class RecordingNotifier final : public FocusFilterNotifier {
public:
    std::optional<std::string> post() override
    {
        ++posts;
        return std::nullopt;
    }
    int posts = 0;
};

class QuietSystemLog final : public SystemLog {
public:
    void write(Level, std::string_view, std::string_view) override {}
};

struct FocusFilterWindowTest : ::testing::Test {
    tt::TempDir dir;
    FakeSystemPaths paths;
    RecordingNotifier notifier;
    QuietSystemLog systemLog;
    ExtensionLogger logger{AppIntentsLogger::config(), paths, systemLog};

    FocusFilterWindowTest()
    {
        paths.realHome = dir / "home";
        fs::create_directories(legacy());
        dir.write("home/Library/Application Support/Tarnwick/accounts.json",
                  R"([{"id":"w","name":"Work","color":"#3b82f6"},{"id":"h","name":"Home","color":"#22c55e"},
                      {"id":"c","name":"Club"}])");
    }
    fs::path legacy() const { return dir / "home" / "Library" / "Application Support" / "Tarnwick"; }
    std::unique_ptr<FocusFilterWindow> open()
    {
        auto window = std::make_unique<FocusFilterWindow>(TarnwickFocusFilter::Environment{paths, notifier, logger});
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        return window;
    }
};

} // namespace

TEST(FocusFilterGui, NoCommandOrGuiOpensTheWindow)
{
    EXPECT_TRUE(FocusFilterGui::wanted({}));
    EXPECT_TRUE(FocusFilterGui::wanted({"--gui"}));
    EXPECT_FALSE(FocusFilterGui::wanted({"--gui", "apply"}));
    EXPECT_FALSE(FocusFilterGui::wanted({"apply"}));
    EXPECT_FALSE(FocusFilterGui::wanted({"--help"}));
}

TEST_F(FocusFilterWindowTest, ShowsEveryAccountWithItsDotAndTheSavedState)
{
    ASSERT_FALSE(FocusFilterFile::write(legacy() / "focus-filter.json", {{"h"}, true}, 1.5));
    const auto window = open();
    EXPECT_EQ(window->windowTitle(), "Tarnwick Focus Filter");
    for (const char* id : {"w", "h", "c"}) {
        ASSERT_NE(window->accountBox(id), nullptr) << id;
        EXPECT_FALSE(window->accountBox(id)->icon().isNull()) << "a dot for " << id << ", even without a colour";
    }
    EXPECT_EQ(window->accountBox("w")->text(), "Work");
    EXPECT_FALSE(window->accountBox("w")->isChecked());
    EXPECT_TRUE(window->accountBox("h")->isChecked());
    EXPECT_TRUE(window->preventAccessBox()->isChecked());
    EXPECT_EQ(window->preventAccessBox()->text(), "Prevent Access to Silenced Accounts");
    QStringList captions;
    for (const QLabel* label : window->findChildren<QLabel*>())
        captions << label->text();
    EXPECT_TRUE(captions.contains(QStringLiteral("Gray out silenced accounts so they cannot be opened.")));
    EXPECT_TRUE(captions.contains(QStringLiteral("Turning an account off silences it.")));
    // No Do Not Disturb choice saved: it changes nothing, and its boxes wait switched off.
    EXPECT_FALSE(window->doNotDisturbSwitch()->isChecked());
    EXPECT_FALSE(window->doNotDisturbAccountBox("w")->isEnabled());
    EXPECT_EQ(window->doNotDisturbChoice(), std::nullopt);

#ifdef TARNWICK_REVIEW_DIR
    QDir().mkpath(QStringLiteral(TARNWICK_REVIEW_DIR));
    window->grab().save(QStringLiteral(TARNWICK_REVIEW_DIR "/focus-filter-window.png"));
#endif
}

TEST_F(FocusFilterWindowTest, NoSavedFilterChecksEveryAccount)
{
    const auto window = open();
    for (const char* id : {"w", "h", "c"})
        EXPECT_TRUE(window->accountBox(id)->isChecked()) << id;
    EXPECT_FALSE(window->preventAccessBox()->isChecked());
}

TEST_F(FocusFilterWindowTest, ApplyWritesBothChoicesAndAnnouncesOnce)
{
    const auto window = open();
    QTest::mouseClick(window->accountBox("h"), Qt::LeftButton, {}, {6, window->accountBox("h")->height() / 2});
    QTest::mouseClick(window->preventAccessBox(), Qt::LeftButton, {}, {6, window->preventAccessBox()->height() / 2});
    QTest::mouseClick(window->doNotDisturbSwitch(), Qt::LeftButton, {}, {6, window->doNotDisturbSwitch()->height() / 2});
    ASSERT_TRUE(window->doNotDisturbAccountBox("w")->isEnabled());
    for (const char* off : {"h", "c"})
        QTest::mouseClick(window->doNotDisturbAccountBox(off), Qt::LeftButton, {},
                          {6, window->doNotDisturbAccountBox(off)->height() / 2});
    QTest::mouseClick(window->applyButton(), Qt::LeftButton);

    const auto now = FocusFilterFile::read(legacy() / "focus-filter.json");
    ASSERT_EQ(now.status, FocusFilterFile::ReadStatus::Loaded);
    EXPECT_EQ(now.state, (FocusFilterState{{"w", "c"}, true})) << "in account order";
    const auto dnd = FocusFilterFile::read(legacy() / "focus-filter-dnd.json");
    ASSERT_EQ(dnd.status, FocusFilterFile::ReadStatus::Loaded);
    EXPECT_EQ(dnd.state, (FocusFilterState{{"w"}, false}));
    EXPECT_EQ(notifier.posts, 1);
    EXPECT_EQ(window->statusLabel()->text(), "Work, Club \u2014 Others silenced and blocked");

    // Switching the Do Not Disturb filter off again removes the choice.
    window->doNotDisturbSwitch()->click();
    EXPECT_TRUE(window->apply());
    EXPECT_FALSE(fs::exists(legacy() / "focus-filter-dnd.json"));
    EXPECT_EQ(notifier.posts, 2);

    // A window opened later shows what was saved.
    ASSERT_FALSE(FocusFilterFile::write(legacy() / "focus-filter-dnd.json", {{"c"}, true}, 2.0));
    const auto again = open();
    EXPECT_TRUE(again->doNotDisturbSwitch()->isChecked());
    EXPECT_EQ(again->doNotDisturbChoice(), (FocusFilterState{{"c"}, true}));
}

TEST_F(FocusFilterWindowTest, AFailedWriteIsShownAndNothingIsAnnounced)
{
    fs::remove_all(legacy()); // no directory is created, as for `apply`
    const auto window = open();
    EXPECT_FALSE(window->apply());
    EXPECT_EQ(notifier.posts, 0);
    EXPECT_TRUE(window->statusLabel()->text().startsWith(QStringLiteral("Failed to write focus-filter.json: ")))
        << window->statusLabel()->text().toStdString();

    paths.realHome.reset();
    EXPECT_FALSE(window->apply());
    EXPECT_EQ(window->statusLabel()->text(), TarnwickFocusFilterError::kStateWriteFailedText);
}

TEST_F(FocusFilterWindowTest, EnterAppliesUnlessCloseHasTheFocusAndEscapeOrCtrlWClose)
{
    const auto window = open();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QSignalSpy applied(window.get(), &FocusFilterWindow::applied);
    EXPECT_TRUE(window->applyButton()->isDefault());

    // Enter on a check box presses the default Apply, as in a dialog; so does the keypad's Enter.
    window->accountBox("h")->setFocus();
    QTest::keyClick(window->accountBox("h"), Qt::Key_Return);
    ASSERT_EQ(applied.count(), 1);
    EXPECT_TRUE(applied.at(0).at(0).toBool());
    EXPECT_TRUE(fs::exists(legacy() / "focus-filter.json"));
    QTest::keyClick(window->preventAccessBox(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(applied.count(), 2);
    // Space still toggles the box and applies nothing.
    QTest::keyClick(window->accountBox("h"), Qt::Key_Space);
    EXPECT_EQ(applied.count(), 2);

    // Enter on the focused Close closes without applying.
    auto* close = window->findChild<QPushButton*>(QStringLiteral("close"));
    ASSERT_NE(close, nullptr);
    close->setFocus();
    QTest::keyClick(close, Qt::Key_Return);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(applied.count(), 2);

    for (auto [key, modifiers] : {std::pair{Qt::Key_Escape, Qt::KeyboardModifiers()}, {Qt::Key_W, Qt::ControlModifier}}) {
        const auto another = open();
        QApplication::setActiveWindow(another.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(another.get()));
        another->accountBox("w")->setFocus();
        QTest::keyClick(another->accountBox("w"), key, modifiers);
        EXPECT_FALSE(another->isVisible()) << "key " << key;
    }
    EXPECT_EQ(applied.count(), 2);
}

TEST_F(FocusFilterWindowTest, EveryControlHasANameAndLongNamesAreCut)
{
    const std::string longName(120, 'x');
    dir.write("home/Library/Application Support/Tarnwick/accounts.json",
              R"([{"id":"w","name":"Work & Play","color":"#3b82f6"},{"id":"n","name":""},{"id":"l","name":")" + longName +
                  R"("}])");
    const auto window = open();
    int checked = 0;
    EXPECT_EQ(tarnwick::testing::unnamedControls(window.get(), &checked), std::vector<std::string>{});
    EXPECT_GE(checked, 10);
    EXPECT_EQ(window->accountBox("n")->accessibleName(), "n") << "a nameless account is read by its id";
    EXPECT_EQ(window->accountBox("w")->text(), "Work && Play") << "an & is shown, not a shortcut mark";
    EXPECT_EQ(window->accountBox("w")->accessibleName(), "Work & Play");

    QCheckBox* box = window->accountBox("l");
    EXPECT_TRUE(box->text().endsWith(QChar(0x2026)));
    EXPECT_TRUE(box->text().startsWith(QStringLiteral("xxxx")));
    EXPECT_EQ(box->accessibleName().toStdString(), longName);
    EXPECT_FALSE(box->toolTip().isEmpty());
    EXPECT_LE(window->width(), 520) << "the window keeps its width";
}

TEST_F(FocusFilterWindowTest, ReviewImagesInLightAndDark)
{
    const QPalette platform = QApplication::palette();
    FakeDesktopColorScheme desktop;
    AppTheme theme(desktop);
    const auto window = open();
    for (auto [scheme, name] : {std::pair{ColorScheme::light, "light"}, {ColorScheme::dark, "dark"}}) {
        desktop.setScheme(scheme);
        window->accountBox("h")->setFocus();
        QTest::qWait(20);
        const QImage image = window->grab().toImage();
        const double back = QColor(image.pixel(image.width() - 3, image.height() / 2)).lightnessF();
        if (scheme == ColorScheme::dark)
            EXPECT_LT(back, 0.3) << "the window follows the desktop's dark scheme";
        else
            EXPECT_GT(back, 0.6);
#ifdef TARNWICK_REVIEW_DIR
        QDir().mkpath(QStringLiteral(TARNWICK_REVIEW_DIR));
        image.save(QStringLiteral(TARNWICK_REVIEW_DIR "/focus-filter-window-%1.png").arg(QLatin1String(name)));
#endif
    }
    QApplication::setPalette(platform);
}

TEST_F(FocusFilterWindowTest, AFormTallerThanTheScreenScrollsAndTheButtonsStayOnIt)
{
    std::string accounts = "[";
    for (int i = 0; i < 40; ++i)
        accounts += (i ? "," : "") + std::string(R"({"id":"a)") + std::to_string(i) + R"(","name":"Account )" +
                    std::to_string(i) + R"("})";
    dir.write("home/Library/Application Support/Tarnwick/accounts.json", accounts + "]");
    const auto window = open();
    const QRect area = window->screen()->availableGeometry();
    EXPECT_LE(window->frameGeometry().height(), area.height());
    EXPECT_TRUE(area.contains(window->frameGeometry().topLeft()));
    // Apply is inside the window and the window inside the work area.
    const QRect apply(window->applyButton()->mapTo(window.get(), QPoint(0, 0)), window->applyButton()->size());
    EXPECT_TRUE(window->rect().contains(apply));
    auto* form = window->findChild<QScrollArea*>(QStringLiteral("form"));
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->verticalScrollBar()->isVisible());
    // Keyboard focus moving down the list brings the box into view.
    QCheckBox* last = window->doNotDisturbAccountBox("a39");
    ASSERT_NE(last, nullptr);
    form->ensureWidgetVisible(last);
    EXPECT_GT(form->verticalScrollBar()->value(), 0);
}

TEST_F(FocusFilterWindowTest, AShortFormDoesNotScroll)
{
    const auto window = open();
    auto* form = window->findChild<QScrollArea*>(QStringLiteral("form"));
    ASSERT_NE(form, nullptr);
    EXPECT_FALSE(form->verticalScrollBar()->isVisible());
    EXPECT_GE(form->height(), form->widget()->sizeHint().height());
}
