// The tray popover against hostile text from the mail and the accounts, and across model changes:
// labels show markup literally, menus keep "&", and an update keeps the list, its scroll position
// and an open menu where they were.

#include <QAccessible>
#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QContextMenuEvent>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTextDocument>
#include <QToolButton>
#include <gtest/gtest.h>

#include "tarnwick/helper/traybanner.h"
#include "tarnwick/helper/traypopover.h"
#include "tarnwick/helper/traymessagerow.h"
#include "tarnwick/helper/traypopoverview.h"
#include "tarnwick/helper/traysearchfield.h"
#include "tarnwick/helper/verificationcodecard.h"
#include "tarnwick/rpc/json.h"
#include "tarnwick/testing/eventwait.h"

using namespace tarnwick;

namespace {

// The popover follows the model on the next turn of the event loop.
void settle()
{
    QCoreApplication::processEvents();
}

constexpr const char* kHeading = "<h1 style='color:red'>Your code is 999999</h1>";

Object obj(const std::string& text)
{
    auto value = json::parse(text);
    EXPECT_TRUE(value && value->object()) << text;
    return value && value->object() ? *value->object() : Object{};
}

std::string quoted(const std::string& text)
{
    return *json::toString(Value(text));
}

TrayMessage message(const Clock& clock, const std::string& id, std::string from, std::string subject, bool unread)
{
    TrayMessage m;
    m.id = id;
    m.threadId = "thread-" + id;
    m.from = std::move(from);
    m.subject = std::move(subject);
    m.internalDate = std::to_string((long long)((clock.now() - 60) * 1000));
    m.isUnread = unread;
    return m;
}

// What a tool tip shows: Qt draws it as rich text when it looks like markup.
QString shownToolTip(const QString& toolTip)
{
    if (!Qt::mightBeRichText(toolTip))
        return toolTip;
    QTextDocument document;
    document.setHtml(toolTip);
    return document.toPlainText();
}

// A label holding markup that it interprets is taller than one line of its font, or shows other text.
void expectLiteral(const QLabel* label, const QString& text)
{
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), text);
    // Wrapped labels may take more lines; only unwrapped ones can be judged by their height.
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    if (!label->wordWrap()) {
        EXPECT_LE(label->sizeHint().height(), QFontMetrics(label->font()).height() + 2)
            << "drawn as one plain line: " << label->text().toStdString();
    }
}

class TrayPopoverStabilityTest : public ::testing::Test {
protected:
    ManualClock clock{1'760'000'000.0};
    TrayModel model{clock};
    std::vector<std::string> calls;
    std::unique_ptr<TrayPopoverView> view;

    TrayPopoverView& open()
    {
        TrayPopoverActions a;
        a.onShowAccount = [this](const std::string& id) { calls.push_back("showAccount:" + id); };
        a.onThreadAction = [this](const std::string& id, const std::string& thread, TrayThreadAction action) {
            calls.push_back("threadAction:" + id + ":" + thread + ":" + std::string(traythreadaction::rawValue(action)));
        };
        view = std::make_unique<TrayPopoverView>(model, a, clock);
        view->show();
        return *view;
    }

    void openContextMenu(TrayMessageRow* row)
    {
        QContextMenuEvent event(QContextMenuEvent::Mouse, row->rect().center(), row->mapToGlobal(row->rect().center()));
        QApplication::sendEvent(row, &event);
    }
};

QAction* actionWithData(const QMenu* menu, const QString& id)
{
    for (QAction* action : menu->actions())
        if (action->data().toString() == id)
            return action;
    return nullptr;
}

} // namespace

TEST_F(TrayPopoverStabilityTest, MarkupInTheCodeCardIsShownAsText)
{
    const std::string sender = "<b>Security</b> <team@x>";
    const std::string received = std::to_string((long long)((clock.now() - 30) * 1000));
    model.update(obj(R"({"accounts":[{"id":"w","name":"Work"}],"verificationCode":{"code":"<i>123</i>","from":)" +
                     quoted(sender) + R"(,"subject":)" + quoted(kHeading) +
                     R"(,"messageId":"m","threadId":"t","accountId":"w","receivedAt":)" + received + "}}"));
    auto& v = open();
    ASSERT_NE(v.card(), nullptr);
    expectLiteral(v.card()->findChild<QLabel*>("subjectLabel"), QString::fromUtf8(kHeading));
    expectLiteral(v.card()->findChild<QLabel*>("codeLabel"), "<i>123</i>");
    auto* service = v.card()->findChild<QLabel*>("serviceLabel");
    ASSERT_NE(service, nullptr);
    EXPECT_EQ(service->textFormat(), Qt::PlainText);
    EXPECT_EQ(shownToolTip(service->toolTip()).toStdString(), sender) << "the full sender, literally";
}

TEST_F(TrayPopoverStabilityTest, AccountNamesShowLiterallyInBannersMenusAndToolTips)
{
    const std::string name = "R&D <img src=x> <b>Ops</b>";
    model.update(obj(R"({"accounts":[{"id":"r","name":)" + quoted(name) +
                     R"(,"needsAuth":true},{"id":"h","name":"Home & Garden","unreadCount":2}],"totalUnread":2})"));
    model.setSelectedAccountId("r");
    auto& v = open();

    ASSERT_EQ(v.banners().size(), 1u);
    TrayBanner* banner = v.banners()[0];
    EXPECT_EQ(banner->subtitle().toStdString(), name + " session has expired");
    expectLiteral(banner->findChild<QLabel*>("bannerSubtitle"), QString::fromStdString(name + " session has expired"));
    EXPECT_EQ(shownToolTip(v.filterButton()->toolTip()).toStdString(), "Showing " + name);
    EXPECT_EQ(shownToolTip(v.composeButton()->toolTip()).toStdString(), "New Message in " + name);

    // In menus "&" marks a shortcut letter; a name keeps its "&" and gives no shortcut.
    for (const QString& id : {QStringLiteral("r"), QStringLiteral("h")}) {
        QAction* entry = actionWithData(v.filterMenu(), id);
        ASSERT_NE(entry, nullptr);
        EXPECT_TRUE(QKeySequence::mnemonic(entry->text()).isEmpty()) << entry->text().toStdString();
        EXPECT_TRUE(entry->text().contains(QStringLiteral("&&"))) << entry->text().toStdString();
    }
    // What assistive technology reads: the name as shown, and for the account that needs signing in
    // the meaning of the warning symbol standing in for its dot.
    QAccessibleInterface* menu = QAccessible::queryAccessibleInterface(v.filterMenu());
    ASSERT_NE(menu, nullptr);
    auto spoken = [&](const QString& id, QAccessible::Text kind) {
        QAccessibleInterface* entry = menu->child(int(v.filterMenu()->actions().indexOf(actionWithData(v.filterMenu(), id))));
        return entry ? entry->text(kind).toStdString() : std::string("<no entry>");
    };
    EXPECT_EQ(spoken("r", QAccessible::Name), name);
    EXPECT_EQ(spoken("r", QAccessible::Description), "Sign in required");
    EXPECT_EQ(spoken("h", QAccessible::Name), "Home & Garden (2)");
    EXPECT_EQ(spoken("h", QAccessible::Description), "");
    model.update(obj(R"({"accounts":[{"id":"r","name":)" + quoted(name) +
                     R"(},{"id":"h","name":"Home & Garden","unreadCount":2}],"totalUnread":2})"));
    settle();
    EXPECT_EQ(spoken("r", QAccessible::Description), "") << "signed in again";
    model.setSelectedAccountId(std::nullopt);
    settle();
    QMenu* scope = v.searchField()->scopeMenu();
    ASSERT_NE(scope, nullptr);
    QAction* home = actionWithData(scope, "h");
    ASSERT_NE(home, nullptr);
    EXPECT_EQ(home->text(), "Home && Garden");
    EXPECT_TRUE(QKeySequence::mnemonic(home->text()).isEmpty());

    // The caught-up subtitle names the accounts in scope, literally.
    model.update(obj(R"({"accounts":[{"id":"r","name":)" + quoted(name) + R"(}],"totalUnread":0})"));
    settle();
    ASSERT_EQ(v.banners().size(), 1u);
    expectLiteral(v.banners()[0]->findChild<QLabel*>("bannerSubtitle"),
                  QString::fromStdString("No unread messages in " + name + "."));
}

TEST_F(TrayPopoverStabilityTest, MarkAsReadOnTheLastRowOfALongListKeepsTheListWhereItWas)
{
    model.update(obj(R"({"accounts":[{"id":"a","name":"A","unreadCount":20}],"totalUnread":20})"));
    settle();
    std::vector<TrayMessage> messages;
    for (int i = 0; i < 20; ++i)
        messages.push_back(message(clock, "m" + std::to_string(i), "Sender <s@x>", "Subject", true));
    model.setMessages("a", messages);
    auto& v = open();
    QScrollArea* list = v.messageList();
    ASSERT_NE(list, nullptr);
    const std::vector<TrayMessageRow*> before = v.messageRows();
    ASSERT_EQ(before.size(), 20u);
    QScrollBar* bar = list->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0) << "the list must be long enough to scroll";
    bar->setValue(bar->maximum());
    const int scrolled = bar->value();

    TrayMessageRow* last = before.back();
    openContextMenu(last);
    QMenu* menu = last->contextMenu();
    ASSERT_NE(menu, nullptr);
    for (QAction* action : menu->actions())
        if (action->text() == "Mark as Read")
            action->trigger();
    EXPECT_EQ(calls, std::vector<std::string>{"threadAction:a:thread-m19:markRead"});

    // What the main application sends next: new counts, then the account's messages again.
    model.update(obj(R"({"accounts":[{"id":"a","name":"A","unreadCount":19}],"totalUnread":19})"));
    settle();
    messages.back().isUnread = false;
    model.setMessages("a", messages);
    settle();

    EXPECT_EQ(v.messageList(), list) << "the same list";
    EXPECT_EQ(v.messageRows(), before) << "the same rows, updated in place";
    EXPECT_EQ(bar->value(), scrolled) << "the list stays where it was";
    EXPECT_EQ(v.messageRows().back()->accessibleDescription(), "Read");
}

TEST_F(TrayPopoverStabilityTest, OpenMenusAndBannersSurviveUnrelatedUpdates)
{
    model.update(obj(R"({"accounts":[{"id":"a","name":"A","unreadCount":1,"needsAuth":true},{"id":"b","name":"B"}],"totalUnread":1})"));
    model.setMessages("a", {message(clock, "m1", "S <s@x>", "One", true), message(clock, "m2", "S <s@x>", "Two", false)});
    auto& v = open();
    ASSERT_EQ(v.banners().size(), 1u);
    TrayBanner* banner = v.banners()[0];
    QMenu* filter = v.filterMenu();
    const QList<QAction*> filterEntries = filter->actions();
    QMenu* scope = v.searchField()->scopeMenu();

    TrayMessageRow* row = v.messageRows()[1];
    openContextMenu(row);
    QPointer<QMenu> menu = row->contextMenu();
    ASSERT_TRUE(menu && menu->isVisible());

    // A tray.update repeating the same accounts with new counts, and fresh messages arriving.
    model.update(obj(R"({"accounts":[{"id":"a","name":"A","unreadCount":4,"needsAuth":true},{"id":"b","name":"B"}],"totalUnread":4,"isOffline":false})"));
    model.setMessages("a", {message(clock, "m0", "S <s@x>", "Zero", true), message(clock, "m1", "S <s@x>", "One", true),
                            message(clock, "m2", "S <s@x>", "Two", false)});
    QCoreApplication::processEvents();

    EXPECT_TRUE(menu && menu->isVisible()) << "the row's context menu stays open";
    ASSERT_EQ(v.messageRows().size(), 3u);
    EXPECT_EQ(v.messageRows()[2], row);
    ASSERT_EQ(v.banners().size(), 1u);
    EXPECT_EQ(v.banners()[0], banner) << "the same banner is not rebuilt";
    EXPECT_EQ(filter->actions(), filterEntries) << "the filter menu keeps its entries";
    EXPECT_EQ(actionWithData(filter, "a")->text(), "A (4)") << "and shows the new count";
    EXPECT_EQ(v.searchField()->scopeMenu(), scope);

    // A different set of accounts does rebuild the menus; a removed message's row goes.
    model.update(obj(R"({"accounts":[{"id":"a","name":"A","unreadCount":4,"needsAuth":true}],"totalUnread":4})"));
    settle();
    EXPECT_NE(filter->actions(), filterEntries);
    EXPECT_EQ(actionWithData(filter, "b"), nullptr);
    model.setMessages("a", {message(clock, "m1", "S <s@x>", "One", true)});
    settle();
    ASSERT_EQ(v.messageRows().size(), 1u);
    EXPECT_EQ(v.messageRows()[0]->message().id, "m1");
}

TEST_F(TrayPopoverStabilityTest, NoticesKeepTheirPaddingAndSymbolsTheirAccessibleTexts)
{
    auto& v = open();
    QLabel* noAccounts = v.noAccountsLabel();
    ASSERT_TRUE(noAccounts->isVisible());
    EXPECT_EQ(noAccounts->y(), 28);
    EXPECT_EQ(noAccounts->parentWidget()->height(), noAccounts->height() + 56);

    model.update(obj(R"({"accounts":[{"id":"a","name":"A","needsAuth":true},{"id":"b","name":"B","unreadCount":1}],"totalUnread":1})"));
    settle();
    QLabel* nothing = v.nothingRecentLabel();
    ASSERT_NE(nothing, nullptr);
    QCoreApplication::processEvents();
    EXPECT_EQ(nothing->y(), 16);
    EXPECT_EQ(nothing->parentWidget()->height(), nothing->height() + 32);

    // The category symbol of a row carries the category's title.
    TrayMessage m = message(clock, "m1", "S <s@x>", "One", true);
    m.category = MailCategory::social;
    model.setMessages("b", {m});
    settle();
    ASSERT_EQ(v.messageRows().size(), 1u);
    QWidget* symbol = v.messageRows()[0]->categorySymbol();
    ASSERT_NE(symbol, nullptr);
    const std::string_view title = mailcategory::title(MailCategory::social);
    EXPECT_EQ(symbol->accessibleName().toStdString(), std::string(title));
    EXPECT_EQ(symbol->toolTip().toStdString(), std::string(title));
    EXPECT_GE(symbol->width(), 10);
}

TEST_F(TrayPopoverStabilityTest, APopoverOpenedFromABottomPanelKeepsItsFootAtTheItemAsItsContentChanges)
{
    model.update(obj(R"({"accounts":[{"id":"a","name":"A","unreadCount":1}]})"));
    settle();
    TrayPopover popover(model, {}, clock);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QPoint click(screen.center().x(), screen.bottom() - 2);
    popover.showAt(click);
    ASSERT_LT(popover.geometry().bottom(), click.y()) << "opens upwards when there is no room below";
    const int foot = popover.geometry().bottom();

    // Messages arrive after the opening: the popover grows, and must grow upwards.
    std::vector<TrayMessage> list;
    for (int i = 0; i < 6; ++i)
        list.push_back(message(clock, std::to_string(i), "Sender", "Subject " + std::to_string(i), true));
    const int before = popover.height();
    model.setMessages("a", std::move(list));
    settle();
    ASSERT_TRUE(tarnwick::testing::waitUntil([&] { return popover.height() != before; }, std::chrono::seconds(5)));
    EXPECT_EQ(popover.geometry().bottom(), foot);
}
