// The preferences window as the user sees it: its tabs and their order, pane selection, opening and
// closing, every pane's controls and texts, the event each control sends, and values from the main
// application that refresh the controls without being sent back.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QStackedWidget>
#include <QApplication>
#include <QScreen>
#include <QScrollBar>
#include <QScrollArea>
#include <QTest>
#include <QWheelEvent>
#include <QToolButton>

#include "fakedefaulthandler.h"
#include "helpertestsupport.h"
#include "tarnwick/helper/generalpane.h"
#include "tarnwick/helper/settingsmodel.h"
#include "tarnwick/helper/settingswindow.h"
#include "tarnwick/helper/settingswindowcontroller.h"
#include "tarnwick/ui/defaulthandlerrowwidget.h"
#include "tarnwick/ui/installedbrowsers.h"
#include "tarnwick/ui/linksbrowserpicker.h"
#include "tarnwick/ui/switchbutton.h"

using namespace tarnwick;
using namespace tarnwick::test;

namespace {

std::string settingsChanged(std::string_view key, std::string_view jsonValue)
{
    return std::string(R"({"method":"settings.changed","params":{"key":")") + std::string(key) + R"(","value":)" +
           std::string(jsonValue) + "}}";
}

template <typename Pred>
bool waitFor(Pred done)
{
    QDeadlineTimer deadline(5000);
    while (!done() && !deadline.hasExpired())
        QTest::qWait(5);
    return done();
}

class SettingsWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InstalledBrowsers::setLocator([](const std::string&) { return true; });
        model.setTransport(io.transport);
        controller.show(SettingsWindow::buildSpec(model, [this] { ++focusSettingsOpened; }), std::nullopt);
        ASSERT_NE(controller.window(), nullptr);
        io.take();
    }
    void TearDown() override
    {
        if (controller.window())
            controller.close();
    }

    QWidget* window() const { return controller.window(); }
    QWidget* pane(const char* id) const
    {
        return window()->findChild<QWidget*>(QStringLiteral("pane:") + QString::fromLatin1(id));
    }
    QToolButton* tabButton(const char* id) const
    {
        return window()->findChild<QToolButton*>(QStringLiteral("tab:") + QString::fromLatin1(id));
    }
    /// The control a label names (labels are the controls' buddies).
    template <typename T>
    T* control(const char* paneId, const QString& label) const
    {
        for (QLabel* candidate : pane(paneId)->findChildren<QLabel*>())
            if (candidate->text() == label && candidate->buddy())
                return qobject_cast<T*>(candidate->buddy());
        return nullptr;
    }
    SwitchButton* switchNamed(const char* paneId, const QString& text) const
    {
        for (SwitchButton* candidate : pane(paneId)->findChildren<SwitchButton*>())
            if (candidate->text() == text)
                return candidate;
        return nullptr;
    }
    QLabel* labelWithText(const char* paneId, const QString& text) const
    {
        for (QLabel* candidate : pane(paneId)->findChildren<QLabel*>())
            if (candidate->text() == text)
                return candidate;
        return nullptr;
    }
    static QStringList items(QComboBox* combo)
    {
        QStringList out;
        for (int i = 0; i < combo->count(); ++i)
            out << combo->itemText(i);
        return out;
    }
    /// What a user's pick in a pop-up does.
    static void choose(QComboBox* combo, const QString& text)
    {
        const int index = combo->findText(text);
        ASSERT_GE(index, 0) << text.toStdString();
        combo->setCurrentIndex(index);
        Q_EMIT combo->activated(index);
    }

    LogCapture log;
    RecordingTransport io;
    FakeDefaultHandler handler;
    SettingsModel model{handler};
    SettingsWindowController controller;
    int focusSettingsOpened = 0;
};

} // namespace

TEST_F(SettingsWindowTest, FiveTabsInOrderWithTitleIconsAndSizes)
{
    EXPECT_EQ(window()->windowTitle(), "Tarnwick Preferences");
    EXPECT_TRUE(window()->isVisible());
    const struct {
        const char* id;
        const char* label;
        int height;
    } tabs[] = {{"general", "General", 210},
                {"accounts", "Accounts", 240},
                {"appearance", "Appearance", 430},
                {"notifications", "Notifications", 390},
                {"advanced", "Advanced", 330}};
    int previousX = -1;
    for (const auto& tab : tabs) {
        QToolButton* button = tabButton(tab.id);
        ASSERT_NE(button, nullptr) << tab.id;
        EXPECT_EQ(button->text(), tab.label);
        EXPECT_EQ(button->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        EXPECT_FALSE(button->icon().isNull()) << tab.id;
        EXPECT_GT(button->x(), previousX) << tab.id << " comes after the tab before it";
        previousX = button->x();

        button->click();
        EXPECT_EQ(controller.currentPane(), tab.id);
        EXPECT_TRUE(button->isChecked());
        EXPECT_EQ(pane(tab.id)->width(), SettingsWindowController::kPaneWidth);
        EXPECT_GE(pane(tab.id)->height(), tab.height + SettingsWindowController::kPaneExtraHeight) << tab.id;
    }
    EXPECT_TRUE(io.lines.empty()) << "switching tabs reports nothing";

    // The window takes each tab's height: it grows for a tall tab and shrinks back for a short one.
    tabButton("general")->click();
    const int generalHeight = window()->height();
    tabButton("appearance")->click();
    EXPECT_GT(window()->height(), generalHeight);
    tabButton("general")->click();
    EXPECT_EQ(window()->height(), generalHeight);
    EXPECT_EQ(window()->width(), SettingsWindowController::kPaneWidth);
}

TEST_F(SettingsWindowTest, PanesAreSelectedByLowerCasedIdAndUnknownPanesChangeNothing)
{
    EXPECT_EQ(controller.currentPane(), "general") << "a new window opens on the first tab";
    QWidget* first = window();

    const struct {
        const char* requested;
        const char* shown;
        const char* logged;  // the main application's text is quoted only when it names a pane
    } rows[] = {{"Accounts", "accounts", "Accounts"},
                {"billing", "accounts", "an unknown pane"},
                {"ADVANCED", "advanced", "ADVANCED"},
                {"", "advanced", "an unknown pane"}};
    for (const auto& row : rows) {
        log.clear();
        controller.show(SettingsWindow::buildSpec(model, {}), std::string(row.requested));
        EXPECT_EQ(window(), first) << "an open window is reused";
        EXPECT_EQ(controller.currentPane(), row.shown) << row.requested;
        EXPECT_TRUE(log.contains(std::string("I|Settings|Switched settings pane to ") + row.logged));
    }
    // No pane: the window comes forward on the tab it shows.
    log.clear();
    controller.show(SettingsWindow::buildSpec(model, {}), std::nullopt);
    EXPECT_EQ(controller.currentPane(), "advanced");
    EXPECT_TRUE(log.records().empty());
}

TEST_F(SettingsWindowTest, ClosingForgetsTheWindowOnTheNextTurnAndANewOneIsBuilt)
{
    QPointer<QWidget> first = window();
    first->close();
    EXPECT_TRUE(log.contains("I|Settings|Settings window will close"));
    ASSERT_TRUE(waitFor([&] { return controller.window() == nullptr; }));
    EXPECT_TRUE(log.contains("I|Settings|Settings window closed"));
    EXPECT_FALSE(controller.spec().has_value());
    EXPECT_TRUE(waitFor([&] { return first.isNull(); })) << "the old window is deleted";

    controller.show(SettingsWindow::buildSpec(model, {}), std::string("billing"));
    ASSERT_NE(window(), nullptr);
    EXPECT_EQ(controller.currentPane(), "general") << "an unknown pane leaves a new window on the first tab";
    EXPECT_TRUE(io.lines.empty()) << "closing is not reported";
}

TEST_F(SettingsWindowTest, AShowRightAfterACloseKeepsTheNewWindow)
{
    window()->close();
    controller.show(SettingsWindow::buildSpec(model, {}), std::string("notifications"));
    QWidget* second = window();
    ASSERT_NE(second, nullptr);
    QTest::qWait(20); // let the pending close of the first window run
    EXPECT_EQ(window(), second);
    EXPECT_EQ(controller.currentPane(), "notifications");
}

TEST_F(SettingsWindowTest, AShowRestoresAMinimisedWindow)
{
    QWidget* first = window();
    first->showMinimized();
    ASSERT_TRUE(first->isMinimized());
    controller.show(SettingsWindow::buildSpec(model, {}), std::string("advanced"));
    EXPECT_EQ(window(), first) << "the same window, not a second one";
    EXPECT_FALSE(window()->isMinimized());
    EXPECT_TRUE(window()->isVisible());
    EXPECT_EQ(controller.currentPane(), "advanced");
}

TEST_F(SettingsWindowTest, TheWindowStaysInsideTheScreensWorkAreaOnEveryTab)
{
    model.update(Object{{"dockBadgeMode", "newArrivals"}, {"menuBarUnreadDisplay", "numbers"}});
    const QRect area = window()->screen()->availableGeometry();
    // Placed low, as a window centred for a short tab is, then every tab in turn.
    window()->move(area.left() + 40, area.bottom() - window()->frameGeometry().height() - 10);
    for (const char* id : {"general", "accounts", "appearance", "notifications", "advanced"}) {
        tabButton(id)->click();
        QTest::qWait(10); // layout requests of rows shown on the way
        EXPECT_TRUE(area.contains(window()->frameGeometry())) << id;
        // A pane taller than the work area scrolls instead: its whole form stays reachable.
        auto* scroller = window()->findChild<QScrollArea*>(QStringLiteral("scroll:") + QString::fromLatin1(id));
        ASSERT_NE(scroller, nullptr) << id;
        QWidget* form = pane(id)->layout()->itemAt(0)->widget();
        EXPECT_LE(SettingsWindowController::neededHeight(form), form->height()) << id;
        if (pane(id)->height() > scroller->height()) {
            EXPECT_TRUE(scroller->verticalScrollBar()->isVisible()) << id;
        }
    }
}

TEST_F(SettingsWindowTest, TheWheelOverAClosedPopUpChangesNothingUnlessItHasTheFocus)
{
    tabButton("notifications")->click();
    auto* primary = control<QComboBox>("notifications", "Primary:");
    ASSERT_NE(primary, nullptr);
    const int before = primary->currentIndex();
    auto wheel = [&](QWidget* target) {
        const QPointF at = QRectF(target->rect()).center();
        QWheelEvent event(at, target->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &event);
    };
    window()->activateWindow();
    tabButton("notifications")->setFocus();
    ASSERT_FALSE(primary->hasFocus());
    wheel(primary);
    wheel(primary);
    EXPECT_EQ(primary->currentIndex(), before);
    EXPECT_TRUE(io.lines.empty()) << "no settings.changed for a passing wheel";

    model.setBrowsers({Object{{"id", "chrome"}, {"name", "Chrome"}, {"bundleId", "c"}},
                       Object{{"id", "firefox"}, {"name", "Firefox"}, {"bundleId", "f"}}});
    model.setDefaultBrowser(Object{{"id", "chrome"}, {"name", "Chrome"}});
    tabButton("general")->click();
    auto* links = window()->findChild<LinksBrowserPicker*>();
    ASSERT_NE(links, nullptr);
    ASSERT_EQ(links->comboBox()->count(), 2);
    ASSERT_EQ(links->comboBox()->currentIndex(), 0);
    wheel(links->comboBox());
    EXPECT_EQ(links->comboBox()->currentIndex(), 0);
    EXPECT_TRUE(io.lines.empty());

    // Focused (clicked or tabbed into), the pop-up takes the wheel as before.
    tabButton("notifications")->click();
    primary->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(waitFor([&] { return primary->hasFocus(); }));
    wheel(primary);
    EXPECT_NE(primary->currentIndex(), before);
}

TEST_F(SettingsWindowTest, GeneralPaneControlsTextsAndEvents)
{
    SwitchButton* login = switchNamed("general", "Launch Tarnwick at login");
    ASSERT_NE(login, nullptr);
    EXPECT_FALSE(login->isChecked());
    login->click();
    EXPECT_EQ(io.take(), std::vector<std::string>{settingsChanged("launchAtLogin", "true")});

    auto* compose = control<QComboBox>("general", "Compose account:");
    ASSERT_NE(compose, nullptr);
    EXPECT_EQ(items(compose), (QStringList{"Use active account", "Always ask"}));
    EXPECT_TRUE(compose->toolTip().startsWith("Applies to the main window, where the active account is on screen."));
    choose(compose, "Always ask");
    EXPECT_EQ(io.take(), std::vector<std::string>{settingsChanged("composeAccountPicker", R"("ask")")});

    auto* hotkey = control<QComboBox>("general", "Quick compose hotkey:");
    ASSERT_NE(hotkey, nullptr);
    EXPECT_EQ(items(hotkey), (QStringList{"Off", "Alt+Super+C", "Ctrl+Super+C", "Shift+Super+C", "Ctrl+Alt+Super+C"}));
    EXPECT_EQ(hotkey->currentText(), "Alt+Super+C");
    choose(hotkey, "Ctrl+Alt+Super+C");
    EXPECT_EQ(io.take(), std::vector<std::string>{settingsChanged("quickComposeHotkey", R"("Control+Alt+Command+C")")});
    model.update(Object{{"quickComposeHotkey", "Hyper+X"}});
    EXPECT_EQ(hotkey->currentIndex(), -1) << "a value the window does not offer selects nothing";

    SwitchButton* calls = switchNamed("general", "Always open calls in the browser");
    ASSERT_NE(calls, nullptr);
    EXPECT_TRUE(calls->toolTip().startsWith("Zoom and Teams calls open in their desktop apps by default."));
    calls->click();
    EXPECT_EQ(io.take(), std::vector<std::string>{settingsChanged("alwaysJoinInBrowser", "true")});
    EXPECT_TRUE(io.lines.empty());
}

TEST_F(SettingsWindowTest, LinksBrowserPickerStoresTheChosenBrowsersId)
{
    model.setBrowsers({Object{{"id", "chrome"}, {"name", "Chrome"}, {"bundleId", "com.google.Chrome"}},
                       Object{{"id", "firefox"}, {"name", "Firefox"}, {"bundleId", "org.mozilla.firefox"}}});
    model.setDefaultBrowser(Object{{"id", "other"}, {"name", "Arc"}});
    auto* picker = pane("general")->findChild<LinksBrowserPicker*>();
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->toolTip(), "Each account chooses its own Chromium profile in Accounts.");
    QComboBox* combo = picker->comboBox();
    EXPECT_EQ(items(combo), (QStringList{"Arc (default)", "Chrome", "Firefox"}));
    EXPECT_EQ(combo->currentText(), "Arc (default)");
    EXPECT_TRUE(io.lines.empty());

    choose(combo, "Firefox");
    EXPECT_EQ(io.take(), std::vector<std::string>{settingsChanged("openLinksIn", R"("firefox")")});
    EXPECT_EQ(model.openLinksIn(), "firefox");
    EXPECT_EQ(combo->currentText(), "Firefox");
}

TEST_F(SettingsWindowTest, HandlerRowFollowsTheDesktopAndClaims)
{
    handler.claimable = true;
    handler.handler = DefaultHandler::Current{"Thunderbird", false};
    const int queriesBefore = handler.queries;
    tabButton("accounts")->click();
    tabButton("general")->click();
    EXPECT_GT(handler.queries, queriesBefore) << "the General tab asks the desktop each time it comes on screen";

    auto* row = pane("general")->findChild<DefaultHandlerRowWidget*>();
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->titleLabel()->text(), "Email links (mailto:)");
    EXPECT_EQ(row->subtitleLabel()->text(), "Thunderbird is the default reader");
    ASSERT_NE(row->claimButton(), nullptr);
    EXPECT_EQ(row->claimButton()->text(), "Use Tarnwick");

    row->claimButton()->click();
    ASSERT_EQ(handler.pendingClaims.size(), 1u);
    handler.handler = DefaultHandler::Current{"Tarnwick", true};
    handler.finishClaim();
    row = pane("general")->findChild<DefaultHandlerRowWidget*>();
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->subtitleLabel()->text(), "Tarnwick is the default reader");
    EXPECT_EQ(row->claimButton(), nullptr);

    handler.claimable = false;
    model.refreshHandlers();
    row = pane("general")->findChild<DefaultHandlerRowWidget*>();
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->subtitleLabel()->text(), "Only the installed app can be the default reader");
    EXPECT_EQ(row->claimButton(), nullptr);
    EXPECT_EQ(pane("general")->findChildren<DefaultHandlerRowWidget*>().size(), 1) << "one row per handler row";
    EXPECT_TRUE(io.lines.empty()) << "claims are not reported to the main application";
}

TEST_F(SettingsWindowTest, AppearanceConditionalRowsAppearAndDisappearWithTheirPickers)
{
    tabButton("appearance")->click();
    QWidget* appearance = pane("appearance");
    QWidget* badgeNote = appearance->findChild<QWidget*>(QStringLiteral("dockBadgeNote"));
    QWidget* countNote = appearance->findChild<QWidget*>(QStringLiteral("menuBarCountNote"));
    QWidget* duration = appearance->findChild<QWidget*>(QStringLiteral("codeDurationRow"));
    ASSERT_TRUE(badgeNote && countNote && duration);
    EXPECT_FALSE(badgeNote->isVisible()) << "absent with allUnread";
    EXPECT_TRUE(countNote->isVisible()) << "shown with numbers";
    EXPECT_TRUE(duration->isVisible());

    auto* badge = control<QComboBox>("appearance", "Dock badge:");
    ASSERT_NE(badge, nullptr);
    EXPECT_EQ(items(badge), (QStringList{"All unread messages", "New messages only", "Off"}));
    choose(badge, "New messages only");
    EXPECT_EQ(io.take(), std::vector<std::string>{settingsChanged("dockBadgeMode", R"("newArrivals")")});
    EXPECT_TRUE(badgeNote->isVisible());
    QWidget* form = pane("appearance")->layout()->itemAt(0)->widget();
    EXPECT_TRUE(waitFor([&] { return SettingsWindowController::neededHeight(form) <= form->height(); }))
        << "the window grows to the row that appeared";
    EXPECT_EQ(qobject_cast<QLabel*>(badgeNote)->text(),
              "Counts mail that arrived while you were away, and goes down as you read it. The backlog is left out.");

    auto* status = control<QComboBox>("appearance", "Menu bar status:");
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(items(status), (QStringList{"Menu bar icon only", "Unread status dots", "Unread count"}));
    choose(status, "Unread status dots");
    EXPECT_EQ(io.take(), std::vector<std::string>{settingsChanged("menuBarUnreadDisplay", R"("dots")")});
    EXPECT_FALSE(countNote->isVisible());

    SwitchButton* codes = switchNamed("appearance", "Show verification codes");
    ASSERT_NE(codes, nullptr);
    codes->click();
    EXPECT_EQ(io.take(), std::vector<std::string>{settingsChanged("menuBarVerificationCodes", "false")});
    EXPECT_FALSE(duration->isVisible());
    codes->click();
    io.take();
    auto* keep = control<QComboBox>("appearance", "Keep in menu bar for:");
    ASSERT_NE(keep, nullptr);
    EXPECT_EQ(items(keep), (QStringList{"5 minutes", "10 minutes", "15 minutes", "30 minutes"}));
    EXPECT_EQ(keep->currentText(), "15 minutes");
    choose(keep, "30 minutes");
    EXPECT_EQ(io.take(), std::vector<std::string>{settingsChanged("verificationCodeDurationMinutes", "30")});

    // The theme's segments, and the switches of the other sections.
    const struct {
        const char* segment;
        const char* value;
    } themes[] = {{"Dark", R"("dark")"}, {"Light", R"("light")"}, {"System Default", R"("system")"}};
    for (const auto& theme : themes) {
        QPushButton* segment = nullptr;
        for (QPushButton* b : appearance->findChildren<QPushButton*>())
            if (b->text() == theme.segment)
                segment = b;
        ASSERT_NE(segment, nullptr) << theme.segment;
        segment->click();
        EXPECT_TRUE(segment->isChecked());
        EXPECT_EQ(io.take(), std::vector<std::string>{settingsChanged("theme", theme.value)});
    }
    const struct {
        const char* text;
        const char* key;
    } switches[] = {{"Transparent background", "transparentBackground"},
                    {"Hide inbox ads", "hidePromotionAds"},
                    {"Hide app sidebar", "hideSidebar"},
                    {"Show menu bar tray", "showMenuBarTray"}};
    for (const auto& row : switches) {
        SwitchButton* button = switchNamed("appearance", row.text);
        ASSERT_NE(button, nullptr) << row.text;
        const bool before = button->isChecked();
        button->click();
        EXPECT_EQ(io.take(), std::vector<std::string>{settingsChanged(row.key, before ? "false" : "true")});
    }
    for (const char* title : {"Theme", "Window", "Gmail", "Dock & Menu Bar"})
        EXPECT_NE(labelWithText("appearance", title), nullptr) << title;
}

TEST_F(SettingsWindowTest, NotificationLevelsAndTheFocusStatus)
{
    tabButton("notifications")->click();
    const struct {
        const char* label;
        const char* key;
        const char* shown;
    } categories[] = {{"Primary:", "primary", "Loud"},
                      {"Updates:", "updates", "Silent"},
                      {"Promotions:", "promotions", "Badge only"},
                      {"Social:", "social", "Badge only"},
                      {"Forums:", "forums", "Off"}};
    int previousY = -1;
    for (const auto& category : categories) {
        auto* combo = control<QComboBox>("notifications", category.label);
        ASSERT_NE(combo, nullptr) << category.label;
        EXPECT_EQ(items(combo), (QStringList{"Loud", "Silent", "Badge only", "Off"}));
        EXPECT_EQ(combo->currentText(), category.shown) << category.label;
        const int y = combo->mapTo(pane("notifications"), QPoint()).y();
        EXPECT_GT(y, previousY) << category.label << " is below the category before it";
        previousY = y;
    }
    choose(control<QComboBox>("notifications", "Social:"), "Badge only");
    EXPECT_EQ(io.take(), std::vector<std::string>{R"({"method":"settings.changed","params":{"key":"notifications.social","value":"badge"}})"});
    choose(control<QComboBox>("notifications", "Primary:"), "Off");
    EXPECT_EQ(io.take(), std::vector<std::string>{settingsChanged("notifications.primary", R"("off")")});

    auto* status = control<QLabel>("notifications", "Focus Status:");
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->text(), "Inactive (All accounts active)");
    model.setFocusFilterStatus("Active: 2 accounts active (others silenced)");
    EXPECT_EQ(status->text(), "Active: 2 accounts active (others silenced)");
    EXPECT_NE(labelWithText("notifications",
                            "Configure Focus Filters in Tarnwick's Focus Filter window to select which accounts are "
                            "active and whether to hide excluded accounts from the window and menu bar."),
              nullptr);

    auto* open = pane("notifications")->findChild<QPushButton*>(QStringLiteral("openFocusSettings"));
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->text(), "Open Focus Settings\u2026");
    open->click();
    EXPECT_EQ(focusSettingsOpened, 1);
    EXPECT_TRUE(io.lines.empty()) << "the Focus settings button reports nothing";
}

TEST_F(SettingsWindowTest, AdvancedPickersAndCollectDiagnostics)
{
    const struct {
        const char* label;
        QStringList options;
        const char* pick;
        const char* key;
        const char* value;
    } rows[] = {
        {"On power adapter:",
         {"Every 30 seconds", "Every minute", "Every 2 minutes", "Every 5 minutes", "Every 15 minutes"},
         "Every 30 seconds", "pollIntervalSeconds", "30"},
        {"On battery:",
         {"Every minute", "Every 2 minutes", "Every 3 minutes", "Every 5 minutes", "Every 10 minutes", "Every 15 minutes"},
         "Every 10 minutes", "pollIntervalBatterySeconds", "600"},
        {"Unload inactive after:", {"1 minute", "5 minutes", "10 minutes", "30 minutes", "1 hour", "Never"}, "Never",
         "inactiveAccountSuspendMinutes", "0"},
    };
    for (const auto& row : rows) {
        auto* combo = control<QComboBox>("advanced", row.label);
        ASSERT_NE(combo, nullptr) << row.label;
        EXPECT_EQ(items(combo), row.options) << row.label;
        choose(combo, row.pick);
        EXPECT_EQ(io.take(), std::vector<std::string>{settingsChanged(row.key, row.value)});
    }
    EXPECT_EQ(model.inactiveAccountSuspendMinutes(), 0);

    auto* collect = pane("advanced")->findChild<QPushButton*>(QStringLiteral("collectDiagnostics"));
    ASSERT_NE(collect, nullptr);
    EXPECT_EQ(collect->text(), "Collect Diagnostics\u2026");
    QList<Value> before;
    for (const auto& info : SettingsModel::preferences())
        before << model.preference(info.field);
    collect->click();
    EXPECT_EQ(io.take(), std::vector<std::string>{R"({"method":"settings.changed","params":{"key":"collectDiagnostics","value":true}})"});
    QList<Value> after;
    for (const auto& info : SettingsModel::preferences())
        after << model.preference(info.field);
    EXPECT_TRUE(before == after) << "collecting diagnostics changes no preference";

    model.setTransport(nullptr);
    collect->click();
    EXPECT_TRUE(io.lines.empty()) << "without a transport nothing is sent";
}

TEST_F(SettingsWindowTest, ValuesFromTheMainApplicationRefreshControlsWithoutEchoes)
{
    auto object = json::parse(R"({"theme":"dark","pollIntervalSeconds":300,"pollIntervalBatterySeconds":900,
        "inactiveAccountSuspendMinutes":60,"launchAtLogin":true,"composeAccountPicker":"ask",
        "openLinksIn":"firefox","alwaysJoinInBrowser":true,"quickComposeHotkey":"off","dockBadgeMode":"newArrivals",
        "showMenuBarTray":false,"menuBarUnreadDisplay":"nothing","menuBarUnreadOnly":true,
        "menuBarVerificationCodes":false,"verificationCodeDurationMinutes":5,"hidePromotionAds":false,
        "hideSidebar":true,"transparentBackground":false,
        "notifications":{"primary":"silent","updates":"off","promotions":"loud","social":"off","forums":"badge"}})");
    ASSERT_TRUE(object && object->object());
    model.update(*object->object());
    model.setAccounts({Object{{"id", "a"}, {"name", "Work"}}});
    model.setBrowsers({Object{{"id", "firefox"}, {"name", "Firefox"}, {"bundleId", "org.mozilla.firefox"}}});
    EXPECT_TRUE(io.lines.empty()) << "nothing is sent back";

    EXPECT_TRUE(switchNamed("general", "Launch Tarnwick at login")->isChecked());
    EXPECT_EQ(control<QComboBox>("general", "Compose account:")->currentText(), "Always ask");
    EXPECT_EQ(control<QComboBox>("general", "Quick compose hotkey:")->currentText(), "Off");
    EXPECT_EQ(pane("general")->findChild<LinksBrowserPicker*>()->comboBox()->currentText(), "Firefox");
    EXPECT_FALSE(switchNamed("appearance", "Show menu bar tray")->isChecked());
    EXPECT_TRUE(switchNamed("appearance", "Hide app sidebar")->isChecked());
    EXPECT_EQ(control<QComboBox>("appearance", "Menu bar status:")->currentText(), "Menu bar icon only");
    EXPECT_EQ(control<QComboBox>("appearance", "Keep in menu bar for:")->currentText(), "5 minutes");
    EXPECT_EQ(control<QComboBox>("notifications", "Forums:")->currentText(), "Badge only");
    EXPECT_EQ(control<QComboBox>("advanced", "On battery:")->currentText(), "Every 15 minutes");
    EXPECT_EQ(control<QComboBox>("advanced", "Unload inactive after:")->currentText(), "1 hour");
    for (QPushButton* b : pane("appearance")->findChildren<QPushButton*>())
        if (b->isCheckable()) {
            EXPECT_EQ(b->isChecked(), b->text() == "Dark") << b->text().toStdString();
        }
    EXPECT_TRUE(io.lines.empty());
}

TEST_F(SettingsWindowTest, ReviewImages)
{
    model.setAccounts({Object{{"id", "a"}, {"name", "Work"}, {"color", "#3b82f6"}, {"email", "me@work.com"}},
                       Object{{"id", "b"}, {"name", "Personal"}, {"color", "#22c55e"}, {"needsAuth", true}},
                       Object{{"id", "c"}, {"name", "Newsletters"}, {"color", "#f97316"}}});
    model.setBrowsers({Object{{"id", "chrome"}, {"name", "Google Chrome"}, {"bundleId", "com.google.Chrome"},
                              {"isChromium", true}}});
    model.setDefaultBrowser(Object{{"id", "chrome"}, {"name", "Google Chrome"}, {"isChromium", true}});
    model.setBrowserProfiles({{"chrome", {{{"directory", "Profile 1"}, {"name", "Work"}, {"email", "me@work.com"}}}}});
    model.update(Object{{"dockBadgeMode", "newArrivals"}});
    handler.handler = DefaultHandler::Current{"Thunderbird", false};
    handler.claimable = true;
    for (const char* id : {"accounts", "general", "appearance", "notifications", "advanced"}) {
        tabButton(id)->click();
        QWidget* form = pane(id)->layout()->itemAt(0)->widget();
        waitFor([&] { return SettingsWindowController::neededHeight(form) <= form->height(); });
        QTest::qWait(20); // pending layout requests
        const QImage image = window()->grab().toImage();
        ASSERT_FALSE(image.isNull()) << id;
        // Every pane's form fits its window: nothing is cut off at the bottom.
        EXPECT_LE(SettingsWindowController::neededHeight(form), form->height()) << id;
#ifdef TARNWICK_REVIEW_DIR
        QDir().mkpath(QStringLiteral(TARNWICK_REVIEW_DIR));
        EXPECT_TRUE(image.save(QStringLiteral(TARNWICK_REVIEW_DIR "/preferences-%1.png").arg(QLatin1String(id))));
#endif
    }
}

// The helper's own entry point: the shared window, bound to the shared model, whose events go to the
// transport handed over here; a second show hands over a new transport and keeps the one window.
TEST(SettingsWindowShow, OpensTheSharedWindowOnThePaneAndReportsThroughTheTransportHandedOver)
{
    InstalledBrowsers::setLocator([](const std::string&) { return true; });
    SettingsWindowController& controller = SettingsWindowController::shared();
    RecordingTransport first;
    SettingsWindow::show(first.transport, "appearance");
    ASSERT_NE(controller.window(), nullptr);
    EXPECT_TRUE(controller.window()->isVisible());
    EXPECT_EQ(controller.currentPane(), "appearance");
    QWidget* const window = controller.window();

    RecordingTransport second;
    SettingsWindow::show(second.transport, "general");
    EXPECT_EQ(controller.window(), window);
    EXPECT_EQ(controller.currentPane(), "general");
    SwitchButton* login = nullptr;
    for (SwitchButton* candidate : window->findChildren<SwitchButton*>())
        if (candidate->text() == "Launch Tarnwick at login")
            login = candidate;
    ASSERT_NE(login, nullptr);
    login->click();
    EXPECT_EQ(second.take(), std::vector<std::string>{settingsChanged("launchAtLogin", login->isChecked() ? "true" : "false")});
    EXPECT_TRUE(first.take().empty()) << "the transport handed over last gets the events";
    controller.close();
}
