// The tray popover from the keyboard and to assistive technology: real key events through the
// popover's window (as the window system delivers them) from opening to the events the main
// application gets, Tab order, arrows and the focus ring, and a walk over the accessible tree.

#include <QAccessible>
#include <QActionGroup>
#include <QApplication>
#include <QDBusConnection>
#include <QDir>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include "fakestatusitemhost.h"
#include "helpertestsupport.h"
#include "tarnwick/helper/focusfiltercontroller.h"
#include "tarnwick/helper/menubarcontroller.h"
#include "tarnwick/helper/settingsmodel.h"
#include "tarnwick/helper/traybanner.h"
#include "tarnwick/helper/traymessagerow.h"
#include "tarnwick/helper/traymodel.h"
#include "tarnwick/helper/traypopover.h"
#include "tarnwick/helper/traypopoverview.h"
#include "tarnwick/helper/traysearchfield.h"
#include "tarnwick/helper/verificationcodecard.h"
#include "tarnwick/platform/fakesystempaths.h"
#include "tarnwick/platform/focusfilterchangeobserver.h"
#include "tarnwick/testing/eventwait.h"

using namespace tarnwick;
using namespace tarnwick::test;

namespace {

Object obj(std::string_view text)
{
    auto value = json::parse(text);
    EXPECT_TRUE(value && value->object()) << text;
    return value && value->object() ? *value->object() : Object{};
}

// The popover as the real program opens it: the controller's actions, events on a recording transport.
class TrayPopoverKeyboardTest : public ::testing::Test {
protected:
    ManualMainQueue queue;
    FakeStatusItemHost host;
    RecordingTransport io;
    ManualClock clock{1'760'000'000.0};
    FakeSystemPaths paths;
    SettingsModel settings;
    TrayModel tray{clock};
    FocusFilterController focus{settings, tray, {queue, &paths, [] {
                                                    return std::make_unique<FocusFilterChangeObserver>(
                                                        QDBusConnection(QStringLiteral("unconnected")), nullptr);
                                                }}};
    MenuBarController controller{tray, focus, host, queue, clock};
    std::unique_ptr<TrayPopover> popover;

    void SetUp() override
    {
        controller.create(io.transport);
        const std::string received = std::to_string((long long)((clock.now() - 90) * 1000));
        controller.updateData(obj(R"({"accounts":[
            {"id":"w","name":"Work","color":"#2563eb","unreadCount":2},
            {"id":"h","name":"Home","color":"#16a34a","needsAuth":true}],"totalUnread":2,
            "verificationCode":{"code":"482913","service":"Figma","subject":"Your login code","messageId":"m9",
            "threadId":"t9","accountId":"w","receivedAt":)" + received + "}}"));
        tray.setMessages("w", {message("m1", "Ada <ada@x>", "Engine notes", true),
                               message("m2", "Bob <bob@x>", "Quarterly report", true)});
        queue.runAll();
        host.press();
        ASSERT_TRUE(host.popoverShown);
        io.take();
        popover = std::make_unique<TrayPopover>(tray, host.actions, clock);
        popover->showAt(QPoint(300, 10));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(popover.get()));
    }

    TrayMessage message(std::string id, std::string from, std::string subject, bool unread)
    {
        TrayMessage m;
        m.id = id;
        m.threadId = "thread-" + id;
        m.from = std::move(from);
        m.subject = std::move(subject);
        m.internalDate = std::to_string((long long)((clock.now() - 120) * 1000));
        m.isUnread = unread;
        m.category = MailCategory::updates;
        return m;
    }

    // A key as the window system delivers it: to the window, which hands it to its focus widget.
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(popover->windowHandle(), key, modifiers);
    }
    void type(const char* text)
    {
        for (const char* c = text; *c; ++c)
            QTest::keyClick(popover->windowHandle(), *c);
    }

    std::vector<std::string> events(std::string_view method)
    {
        std::vector<std::string> found;
        for (const std::string& line : io.lines)
            if (line.find("\"method\":\"" + std::string(method) + "\"") != std::string::npos)
                found.push_back(line);
        return found;
    }

    TrayPopoverView& view() { return *popover->view(); }
};

} // namespace

TEST_F(TrayPopoverKeyboardTest, TypingAtOnceThenEnterSearchesExactlyOnce)
{
    EXPECT_EQ(QApplication::focusWidget(), view().searchField()) << "the keyboard starts in the search field";
    type("invoice");
    press(Qt::Key_Return);
    EXPECT_EQ(events("tray.search"),
              std::vector<std::string>{R"({"method":"tray.search","params":{"accountId":"w","query":"invoice"}})"});
}

TEST_F(TrayPopoverKeyboardTest, TabAndShiftTabReachEveryControlTopToBottom)
{
    const auto rows = view().messageRows();
    ASSERT_EQ(rows.size(), 2u);
    ASSERT_EQ(view().banners().size(), 1u);
    QPushButton* signIn = view().banners().front()->signInButton();
    ASSERT_NE(signIn, nullptr);
    const std::vector<QWidget*> order{view().searchField(), signIn,           rows[0],
                                      rows[1],              view().openInboxButton(), view().filterButton(),
                                      view().composeButton(), view().settingsButton(), view().card(),
                                      view().card()->copyButton(), view().searchField()};
    std::vector<QWidget*> forward{QApplication::focusWidget()};
    for (std::size_t i = 1; i < order.size(); ++i) {
        press(Qt::Key_Tab);
        forward.push_back(QApplication::focusWidget());
    }
    EXPECT_EQ(forward, order);

    std::vector<QWidget*> backward{QApplication::focusWidget()};
    for (std::size_t i = 1; i < order.size(); ++i) {
        press(Qt::Key_Tab, Qt::ShiftModifier);
        backward.push_back(QApplication::focusWidget());
    }
    EXPECT_EQ(backward, std::vector<QWidget*>(order.rbegin(), order.rend()));
}

TEST_F(TrayPopoverKeyboardTest, ArrowsWalkTheRowsAndEnterOrSpaceOpensTheThread)
{
    const auto rows = view().messageRows();
    press(Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), rows[0]) << "Down leaves the search field for the first row";
    press(Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), rows[1]);
    press(Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), rows[1]) << "the last row keeps the keyboard";
    press(Qt::Key_Up);
    EXPECT_EQ(QApplication::focusWidget(), rows[0]);
    press(Qt::Key_End);
    EXPECT_EQ(QApplication::focusWidget(), rows.back());
    press(Qt::Key_Home);
    EXPECT_EQ(QApplication::focusWidget(), rows.front());
    press(Qt::Key_Return);
    EXPECT_EQ(events("tray.showThread"),
              std::vector<std::string>{R"({"method":"tray.showThread","params":{"accountId":"w","threadId":"thread-m1"}})"});

    press(Qt::Key_Down);
    press(Qt::Key_Space);
    EXPECT_EQ(events("tray.showThread").size(), 2u);
    EXPECT_NE(events("tray.showThread").back().find("thread-m2"), std::string::npos);
}

TEST_F(TrayPopoverKeyboardTest, EnterPressesTheCardAndTheButtons)
{
    view().card()->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Enter);
    EXPECT_EQ(events("tray.showThread"),
              std::vector<std::string>{R"({"method":"tray.showThread","params":{"accountId":"w","threadId":"t9"}})"});
    view().card()->copyButton()->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Return);
    EXPECT_TRUE(view().card()->isCopied()) << "Enter presses Copy";
    view().banners().front()->signInButton()->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Enter);
    EXPECT_EQ(events("tray.showAccount"),
              std::vector<std::string>{R"({"method":"tray.showAccount","params":{"accountId":"h"}})"});
    io.take();
    view().openInboxButton()->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Return);
    EXPECT_EQ(events("tray.showAccount"),
              std::vector<std::string>{R"({"method":"tray.showAccount","params":{"accountId":""}})"});
}

TEST_F(TrayPopoverKeyboardTest, MenuKeyAndShiftF10OpenTheRowsMenuBesideTheRow)
{
    TrayMessageRow* row = view().messageRows()[1];
    for (const auto& [key, modifiers] : {std::pair{Qt::Key_Menu, Qt::KeyboardModifiers{}},
                                         std::pair{Qt::Key_F10, Qt::KeyboardModifiers{Qt::ShiftModifier}}}) {
        row->setFocus(Qt::TabFocusReason);
        press(key, modifiers);
        QMenu* menu = row->contextMenu();
        ASSERT_NE(menu, nullptr) << key;
        ASSERT_TRUE(tarnwick::testing::waitUntil([&] { return menu->isVisible(); }, std::chrono::seconds(5)));
        EXPECT_EQ(menu->actions().front()->text(), "Open in Tarnwick");
        EXPECT_LE(std::abs(menu->geometry().top() - row->mapToGlobal(QPoint(0, row->height())).y()), 2)
            << "below the row, not at the pointer";
        menu->close();
    }
}

TEST_F(TrayPopoverKeyboardTest, TheFocusRingShowsInTheHighlightInLightAndDarkPalettes)
{
    TrayMessageRow* row = view().messageRows()[0];
    for (const QColor& window : {QColor(0xf6, 0xf5, 0xf4), QColor(0x24, 0x24, 0x24)}) {
        QPalette palette = row->palette();
        palette.setColor(QPalette::Window, window);
        palette.setColor(QPalette::WindowText, window.lightness() > 128 ? Qt::black : Qt::white);
        palette.setColor(QPalette::Highlight, QColor(0x35, 0x84, 0xe4));
        row->setPalette(palette);
        view().searchField()->setFocus(Qt::TabFocusReason);
        const QImage unfocused = row->grab().toImage();
        row->setFocus(Qt::TabFocusReason);
        const QImage focused = row->grab().toImage();
        // The ring runs along the row's edges (inside them: the list clips the rest) in the highlight.
        auto ringPixels = [](const QImage& image) {
            int count = 0;
            const int y = image.height() / 2;
            for (int x : {2, 3, image.width() - 3, image.width() - 4}) {
                const QColor c = image.pixelColor(image.devicePixelRatio() > 1 ? int(x * image.devicePixelRatio()) : x,
                                                  int(y * image.devicePixelRatio()));
                if (std::abs(c.blue() - 0xe4) < 40 && std::abs(c.red() - 0x35) < 60)
                    ++count;
            }
            return count;
        };
        EXPECT_EQ(ringPixels(unfocused), 0);
        EXPECT_GE(ringPixels(focused), 2) << "on a window of " << window.name().toStdString();
    }
}

TEST_F(TrayPopoverKeyboardTest, EveryControlHasANameAndRowsAndTheCardSayWhatTheyAre)
{
    // Every button, menu button and check box reachable in the accessible tree has a name.
    std::vector<std::string> unnamed;
    int buttons = 0;
    std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
        if (!node || node->state().invisible)
            return;
        switch (node->role()) {
        case QAccessible::Button:
        case QAccessible::ButtonMenu:
        case QAccessible::ButtonDropDown:
        case QAccessible::CheckBox:
            ++buttons;
            if (node->text(QAccessible::Name).trimmed().isEmpty())
                unnamed.push_back(node->object() ? node->object()->objectName().toStdString() : "?");
            break;
        default:
            break;
        }
        for (int i = 0; i < node->childCount(); ++i)
            walk(node->child(i));
    };
    walk(QAccessible::queryAccessibleInterface(popover.get()));
    EXPECT_TRUE(unnamed.empty()) << ::testing::PrintToString(unnamed);
    EXPECT_GE(buttons, 9) << "filter, compose, settings, card, Copy, Sign In, two rows, Open Inbox";

    auto name = [](QObject* o) { return QAccessible::queryAccessibleInterface(o)->text(QAccessible::Name); };
    EXPECT_EQ(name(view().filterButton()), "All Accounts");
    EXPECT_EQ(name(view().settingsButton()), "Settings");
    EXPECT_EQ(name(view().composeButton()), "New Message");
    tray.setSelectedAccountId(std::string("w"));
    QCoreApplication::processEvents(); // the popover follows the model on the next turn
    EXPECT_EQ(name(view().composeButton()), "New Message in Work");
    EXPECT_EQ(name(view().filterButton()), "Showing Work");
    tray.setSelectedAccountId(std::nullopt);
    QCoreApplication::processEvents();

    QAccessibleInterface* row = QAccessible::queryAccessibleInterface(view().messageRows()[0]);
    EXPECT_EQ(row->role(), QAccessible::Button);
    EXPECT_EQ(row->text(QAccessible::Name), "Ada, Engine notes, Updates");
    EXPECT_EQ(row->text(QAccessible::Value), "Unread");
    EXPECT_EQ(row->text(QAccessible::Description), "Unread");
    ASSERT_NE(row->actionInterface(), nullptr);
    row->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    ASSERT_TRUE(tarnwick::testing::waitUntil([&] { return !events("tray.showThread").empty(); }, std::chrono::seconds(5)))
        << "pressing the row through assistive technology opens the thread";

    QAccessibleInterface* card = QAccessible::queryAccessibleInterface(view().card());
    EXPECT_EQ(card->role(), QAccessible::Button);
    EXPECT_EQ(card->text(QAccessible::Name), "Verification Code 482913, Figma");
}

TEST_F(TrayPopoverKeyboardTest, AccountChoicesAreOneCheckedChoiceInBothMenus)
{
    for (QMenu* menu : {view().filterMenu(), view().searchField()->scopeMenu()}) {
        ASSERT_NE(menu, nullptr);
        int checked = 0;
        for (QAction* action : menu->actions()) {
            if (!action->data().isValid() && action->objectName() != "allAccounts")
                continue;
            ASSERT_NE(action->actionGroup(), nullptr) << action->text().toStdString();
            EXPECT_TRUE(action->actionGroup()->isExclusive());
            checked += action->isChecked();
        }
        EXPECT_EQ(checked, 1) << menu->objectName().toStdString();
    }
}

TEST_F(TrayPopoverKeyboardTest, ReviewImagesOfTheKeyboardFocus)
{
    // Written for a person to look at (the ring on a row, on Copy and on a header button, in a light
    // and a dark palette); nothing is compared.
    const QString dir = QStringLiteral(TARNWICK_REVIEW_DIR);
    QDir().mkpath(dir);
    const QPalette light = QApplication::palette();
    QPalette dark = light;
    dark.setColor(QPalette::Window, QColor(0x24, 0x24, 0x24));
    dark.setColor(QPalette::WindowText, QColor(0xee, 0xee, 0xee));
    dark.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
    dark.setColor(QPalette::Text, QColor(0xee, 0xee, 0xee));
    dark.setColor(QPalette::Button, QColor(0x30, 0x30, 0x30));
    dark.setColor(QPalette::ButtonText, QColor(0xee, 0xee, 0xee));
    dark.setColor(QPalette::Highlight, QColor(0x3d, 0xae, 0xe9));
    for (const auto& [name, palette] : {std::pair{"light", light}, std::pair{"dark", dark}}) {
        QApplication::setPalette(palette);
        popover = std::make_unique<TrayPopover>(tray, host.actions, clock);
        popover->showAt(QPoint(300, 10));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(popover.get()));
        const std::vector<std::pair<const char*, QWidget*>> focused{
            {"row", view().messageRows()[0]}, {"copy", view().card()->copyButton()}, {"compose", view().composeButton()}};
        for (const auto& [what, widget] : focused) {
            widget->setFocus(Qt::TabFocusReason);
            QCoreApplication::processEvents();
            EXPECT_TRUE(popover->grab().save(dir + QStringLiteral("/tray-popover-focus-%1-%2.png").arg(what, name)));
        }
        popover->close();
    }
    QApplication::setPalette(light);
}
