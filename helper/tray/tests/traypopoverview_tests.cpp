// The tray popover's widget tree: texts, visibility, menus and which callback each control calls.

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include "tarnwick/helper/traybanner.h"
#include "tarnwick/helper/traymessagerow.h"
#include "tarnwick/helper/traypopover.h"
#include "traypopoverpanel_p.h"
#include "tarnwick/helper/traypopoverview.h"
#include "tarnwick/helper/traysearchfield.h"
#include "tarnwick/helper/verificationcodecard.h"
#include "tarnwick/rpc/json.h"

using namespace tarnwick;

namespace {

// The popover follows the model on the next turn of the event loop.
void settle()
{
    QCoreApplication::processEvents();
}

Object obj(std::string_view text)
{
    auto value = json::parse(text);
    EXPECT_TRUE(value && value->object()) << text;
    return value && value->object() ? *value->object() : Object{};
}

// Milliseconds since 1970 of the test clock's "now" minus `minutesAgo`.
std::string dateMinutesAgo(const Clock& clock, int minutesAgo)
{
    return std::to_string((long long)((clock.now() - minutesAgo * 60.0) * 1000));
}

TrayMessage message(const Clock& clock, std::string id, std::string from, std::string subject, int minutesAgo,
                    bool unread, MailCategory category = MailCategory::primary)
{
    TrayMessage m;
    m.id = id;
    m.threadId = "thread-" + id;
    m.from = std::move(from);
    m.subject = std::move(subject);
    m.internalDate = dateMinutesAgo(clock, minutesAgo);
    m.isUnread = unread;
    m.category = category;
    return m;
}

QStringList menuTexts(const QMenu* menu)
{
    QStringList texts;
    for (const QAction* action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("---") : action->text());
    return texts;
}

QAction* menuAction(const QMenu* menu, const QString& text)
{
    for (QAction* action : menu->actions())
        if (action->text() == text)
            return action;
    return nullptr;
}

void click(QWidget* widget)
{
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

class TrayPopoverViewTest : public ::testing::Test {
protected:
    ManualClock clock{1'760'000'000.0};
    TrayModel model{clock};
    std::vector<std::string> calls;
    std::unique_ptr<TrayPopoverView> view;

    TrayPopoverActions actions()
    {
        TrayPopoverActions a;
        a.onCompose = [this](const std::optional<std::string>& id) { calls.push_back("compose:" + id.value_or("<none>")); };
        a.onShowAccount = [this](const std::string& id) { calls.push_back("showAccount:" + id); };
        a.onShowThread = [this](const std::string& id, const std::string& thread) {
            calls.push_back("showThread:" + id + ":" + thread);
        };
        a.onThreadAction = [this](const std::string& id, const std::string& thread, TrayThreadAction action) {
            calls.push_back("threadAction:" + id + ":" + thread + ":" + std::string(traythreadaction::rawValue(action)));
        };
        a.onOpenApp = [this] { calls.push_back("openApp"); };
        a.onSearch = [this](const std::string& query, const std::optional<std::string>& id) {
            calls.push_back("search:" + query + ":" + id.value_or("<none>"));
        };
        a.onRefresh = [this] { calls.push_back("refresh"); };
        a.onOpenSettings = [this] { calls.push_back("openSettings"); };
        a.onQuit = [this] { calls.push_back("quit"); };
        a.onUnreadOnlyChanged = [this](bool on) { calls.push_back(std::string("unreadOnly:") + (on ? "true" : "false")); };
        return a;
    }

    TrayPopoverView& open()
    {
        view = std::make_unique<TrayPopoverView>(model, actions(), clock);
        view->show();
        return *view;
    }

    void threeAccounts(std::string_view extra = {})
    {
        model.update(obj(std::string(R"({"accounts":[
            {"id":"w","name":"Work","color":"#2563eb","unreadCount":3},
            {"id":"h","name":"Home","color":"#16a34a","unreadCount":0},
            {"id":"s","name":"Side","color":"#db2777","unreadCount":250}],"totalUnread":253)") +
                         std::string(extra) + "}"));
        settle();
    }

    QStringList bannerTitles() const
    {
        QStringList titles;
        for (TrayBanner* banner : view->banners())
            titles << banner->title();
        return titles;
    }
};

} // namespace

TEST(TrayPopoverDerived, FilterLabelsAndCaughtUpSubtitles)
{
    const struct {
        std::int64_t count;
        const char* label;
    } labels[] = {{-3, "Work"}, {0, "Work"}, {1, "Work (1)"}, {99, "Work (99)"}, {100, "Work (99+)"}, {250, "Work (99+)"}};
    for (const auto& row : labels)
        EXPECT_EQ(TrayPopoverView::filterLabel("Work", row.count), QString::fromUtf8(row.label)) << row.count;

    EXPECT_EQ(TrayPopoverView::caughtUpSubtitle({}), "No unread messages.");
    EXPECT_EQ(TrayPopoverView::caughtUpSubtitle({"Work"}), "No unread messages in Work.");
    EXPECT_EQ(TrayPopoverView::caughtUpSubtitle({"Work", "Home"}), "No unread messages in Work or Home.");
    EXPECT_EQ(TrayPopoverView::caughtUpSubtitle({"A", "B", "C"}), "No unread messages across 3 accounts.");
    EXPECT_EQ(TrayPopoverView::caughtUpSubtitle({"A", "B", "C", "D"}), "No unread messages across 4 accounts.");
}

TEST_F(TrayPopoverViewTest, NoAccountsShowsOnlyHeaderNoticeAndFooter)
{
    auto& v = open();
    EXPECT_EQ(v.width(), 340);
    EXPECT_TRUE(v.noAccountsLabel()->isVisible());
    EXPECT_EQ(v.noAccountsLabel()->text(), "No accounts configured");
    EXPECT_FALSE(v.contentBlock()->isVisible());
    EXPECT_EQ(v.card(), nullptr);
    EXPECT_EQ(menuTexts(v.filterMenu()), QStringList{"Unread Only"});
    EXPECT_EQ(v.composeButton()->toolTip(), "New Message");
    EXPECT_EQ(v.filterButton()->toolTip(), "All Accounts");
    EXPECT_EQ(v.settingsButton()->toolTip(), "Settings");
    EXPECT_EQ(menuTexts(v.settingsMenu()),
              (QStringList{"Refresh Inbox", "---", QStringLiteral("Preferences…"), "---", "Quit Tarnwick"}));

    click(v.composeButton());
    click(v.openInboxButton());
    EXPECT_EQ(v.openInboxButton()->text(), "Open Inbox");
    EXPECT_EQ(calls, (std::vector<std::string>{"compose:<none>", "openApp"}));

    // Accounts arriving while the popover is open replace the notice.
    model.update(obj(R"({"accounts":[{"id":"w","name":"Work"}]})"));
    settle();
    EXPECT_FALSE(v.noAccountsLabel()->isVisible());
    EXPECT_TRUE(v.contentBlock()->isVisible());
}

TEST_F(TrayPopoverViewTest, OneAccountComposesThereAndHasNoSearchScope)
{
    model.update(obj(R"({"accounts":[{"id":"w","name":"Work","unreadCount":2}],"totalUnread":2})"));
    auto& v = open();
    EXPECT_EQ(v.composeButton()->toolTip(), "New Message in Work");
    EXPECT_EQ(v.searchField()->scopeMenu(), nullptr);
    EXPECT_EQ(v.searchField()->placeholderText(), QStringLiteral("Search Work — opens in app"));
    EXPECT_FALSE(v.isFiltering());
    click(v.composeButton());
    EXPECT_EQ(calls, std::vector<std::string>{"compose:w"});
}

TEST_F(TrayPopoverViewTest, FilterMenuListsAccountsWithCountsAndActsAsOneChoice)
{
    threeAccounts();
    auto& v = open();
    EXPECT_EQ(menuTexts(v.filterMenu()),
              (QStringList{"Unread Only", "---", "All Accounts (99+)", "Work (3)", "Home", "Side (99+)"}));
    EXPECT_TRUE(menuAction(v.filterMenu(), "All Accounts (99+)")->isChecked());
    EXPECT_FALSE(menuAction(v.filterMenu(), "Unread Only")->isChecked());
    EXPECT_FALSE(menuAction(v.filterMenu(), "Work (3)")->icon().isNull()) << "accounts carry their dot";

    menuAction(v.filterMenu(), "Home")->trigger();
    EXPECT_EQ(model.selectedAccountId(), std::optional<std::string>("h"));
    EXPECT_TRUE(menuAction(v.filterMenu(), "Home")->isChecked());
    EXPECT_FALSE(menuAction(v.filterMenu(), "All Accounts (99+)")->isChecked());
    EXPECT_EQ(v.filterButton()->toolTip(), "Showing Home");
    EXPECT_TRUE(v.filterButton()->property("filtering").toBool());
    // Choosing the checked entry again keeps it chosen: the group is a single choice.
    menuAction(v.filterMenu(), "Home")->trigger();
    EXPECT_EQ(model.selectedAccountId(), std::optional<std::string>("h"));

    menuAction(v.filterMenu(), "All Accounts (99+)")->trigger();
    EXPECT_EQ(model.selectedAccountId(), std::nullopt);
    EXPECT_FALSE(v.filterButton()->property("filtering").toBool());

    menuAction(v.filterMenu(), "Unread Only")->trigger();
    EXPECT_TRUE(model.showUnreadOnly());
    EXPECT_TRUE(v.filterButton()->property("filtering").toBool()) << "unread-only is a filter too";
    menuAction(v.filterMenu(), "Unread Only")->trigger();
    EXPECT_FALSE(model.showUnreadOnly());
    EXPECT_EQ(calls, (std::vector<std::string>{"unreadOnly:true", "unreadOnly:false"}));
}

TEST_F(TrayPopoverViewTest, SearchScopeFollowsTheFilterAndTheScopeMenu)
{
    threeAccounts();
    auto& v = open();
    TraySearchField* field = v.searchField();
    ASSERT_NE(field->scopeMenu(), nullptr);
    EXPECT_EQ(menuTexts(field->scopeMenu()), (QStringList{"Search in", "Work", "Home", "Side"}));
    EXPECT_FALSE(field->scopeMenu()->actions()[0]->isEnabled());
    EXPECT_TRUE(field->scopeMenu()->actions()[1]->isChecked()) << "the first account until another is chosen";
    EXPECT_EQ(field->placeholderText(), QStringLiteral("Search Work — opens in app"));
    EXPECT_EQ(v.composeButton()->toolTip(), "New Message") << "several accounts and no filter: no compose account";

    menuAction(field->scopeMenu(), "Side")->trigger();
    EXPECT_EQ(v.searchAccountId(), std::optional<std::string>("s"));
    EXPECT_EQ(field->placeholderText(), QStringLiteral("Search Side — opens in app"));
    EXPECT_TRUE(menuAction(field->scopeMenu(), "Side")->isChecked());

    QTest::keyClicks(field, "  invoice  ");
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(field->text(), "  invoice  ") << "the text stays after a submit";
    EXPECT_EQ(calls, std::vector<std::string>{"search:invoice:s"});

    // Blank or empty: Enter sends nothing.
    field->clear();
    QTest::keyClick(field, Qt::Key_Return);
    QTest::keyClicks(field, " \t ");
    QTest::keyClick(field, Qt::Key_Enter);
    EXPECT_EQ(calls.size(), 1u);

    // A filter account wins over the search scope, and the scope menu goes.
    model.setSelectedAccountId("h");
    settle();
    EXPECT_EQ(field->scopeMenu(), nullptr);
    EXPECT_EQ(field->placeholderText(), QStringLiteral("Search Home — opens in app"));
    EXPECT_EQ(v.composeButton()->toolTip(), "New Message in Home");
    field->setText("x");
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(calls.back(), "search:x:h");
    click(v.composeButton());
    EXPECT_EQ(calls.back(), "compose:h");
}

TEST_F(TrayPopoverViewTest, OneStatusBannerAtATimeAndTheCaughtUpBanner)
{
    // Offline and a sign-in needed: only the offline banner.
    model.update(obj(R"({"accounts":[{"id":"w","name":"Work","needsAuth":true},{"id":"h","name":"Home"}],"isOffline":true,"isRestricted":true})"));
    auto& v = open();
    EXPECT_EQ(bannerTitles(), QStringList{"Offline"});
    EXPECT_EQ(v.banners()[0]->subtitle(), QStringLiteral("Waiting for network connection…"));
    EXPECT_EQ(v.banners()[0]->symbol(), "wifi.slash");

    model.update(obj(R"({"isOffline":false})"));
    settle();
    ASSERT_EQ(bannerTitles(), QStringList{"Sign in required"});
    TrayBanner* signIn = v.banners()[0];
    EXPECT_EQ(signIn->subtitle(), "Work session has expired");
    ASSERT_NE(signIn->signInButton(), nullptr);
    EXPECT_EQ(signIn->signInButton()->text(), "Sign In");
    click(signIn->signInButton());
    EXPECT_EQ(calls, std::vector<std::string>{"showAccount:w"});

    // Filtering to the healthy account hides the other's sign-in banner; still restricted.
    model.setSelectedAccountId("h");
    settle();
    EXPECT_EQ(bannerTitles(), QStringList{"Gmail access blocked"});
    EXPECT_EQ(v.banners()[0]->subtitle(), "An account's organization has blocked Gmail.");

    // Nothing wrong and nothing unread: the caught-up banner for the account in scope.
    model.update(obj(R"({"isRestricted":false})"));
    settle();
    ASSERT_EQ(bannerTitles(), QStringList{"All caught up"});
    EXPECT_EQ(v.banners()[0]->subtitle(), "No unread messages in Home.");
    EXPECT_EQ(v.banners()[0]->kind(), TrayBanner::Kind::caughtUp);
}

TEST_F(TrayPopoverViewTest, CaughtUpAcrossAccountsThenRecentMessages)
{
    model.update(obj(R"({"accounts":[{"id":"a","name":"A"},{"id":"b","name":"B"},{"id":"c","name":"C"}]})"));
    model.setMessages("a", {message(clock, "m1", "Ada <ada@x>", "Lunch", 5, false)});
    auto& v = open();
    ASSERT_EQ(bannerTitles(), QStringList{"All caught up"});
    EXPECT_EQ(v.banners()[0]->subtitle(), "No unread messages across 3 accounts.");
    auto* recent = v.recentLabel();
    ASSERT_NE(recent, nullptr) << "nothing unread: the list is headed RECENT";
    EXPECT_EQ(recent->text(), "RECENT");
    EXPECT_EQ(v.messageRows().size(), 1u);

    // Unread-only with nothing unread: no banner above, the caught-up banner replaces the list.
    model.setShowUnreadOnly(true);
    settle();
    EXPECT_EQ(bannerTitles(), QStringList{"All caught up"});
    EXPECT_TRUE(v.messageRows().empty());
    EXPECT_EQ(v.recentLabel(), nullptr);
    EXPECT_EQ(v.messageList(), nullptr);

    // Unread mail somewhere: no caught-up banner and no heading.
    model.update(obj(R"({"accounts":[{"id":"a","name":"A","unreadCount":1},{"id":"b","name":"B"},{"id":"c","name":"C"}]})"));
    model.setShowUnreadOnly(false);
    settle();
    EXPECT_TRUE(bannerTitles().isEmpty());
    EXPECT_EQ(v.recentLabel(), nullptr);

    // No messages and not unread-only: the quiet notice.
    model.setMessages("a", {});
    settle();
    auto* nothing = v.nothingRecentLabel();
    ASSERT_NE(nothing, nullptr);
    EXPECT_EQ(nothing->text(), "Nothing recent to show");
}

TEST_F(TrayPopoverViewTest, MessageRowsShowTheMessageAndOpenTheirThread)
{
    threeAccounts();
    model.setMessages("w", {message(clock, "m1", "\"Ada Lovelace\" <ada@x>", "Engines", 10, true, MailCategory::updates),
                            message(clock, "m3", "bob@x", "Old news", 300, false)});
    model.setMessages("s", {message(clock, "m2", "Carol <c@x>", "Newer", 2, true)});
    auto& v = open();
    const auto rows = v.messageRows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0]->senderText(), "Carol") << "newest first across accounts";
    EXPECT_EQ(rows[1]->senderText(), "Ada Lovelace");
    EXPECT_EQ(rows[1]->subjectText(), "Engines");
    EXPECT_EQ(rows[2]->senderText(), "bob@x");
    EXPECT_EQ(rows[0]->accentColor(), QColor("#db2777")) << "each row in its account's colour";
    EXPECT_EQ(rows[1]->accentColor(), QColor("#2563eb"));
    EXPECT_TRUE(rows[0]->showsDivider());
    EXPECT_TRUE(rows[1]->showsDivider());
    EXPECT_FALSE(rows[2]->showsDivider()) << "no divider after the last row";
    EXPECT_EQ(rows[1]->timeText().toStdString(), rows[1]->message().formattedTime(clock.now()));
    EXPECT_FALSE(rows[1]->timeText().isEmpty());
    EXPECT_EQ(rows[1]->accessibleDescription(), "Unread");
    EXPECT_EQ(rows[2]->accessibleDescription(), "Read");
    EXPECT_NE(rows[1]->backgroundColor().alpha(), 0) << "unread rows are tinted";
    EXPECT_EQ(rows[2]->backgroundColor().alpha(), 0) << "read rows are not, until hovered";
    EXPECT_EQ(v.recentLabel(), nullptr);

    click(rows[1]);
    EXPECT_EQ(calls, std::vector<std::string>{"showThread:w:thread-m1"});
}

TEST_F(TrayPopoverViewTest, ContextMenuActsOnTheThreadAndTheRowChangesAtOnce)
{
    threeAccounts();
    model.setMessages("w", {message(clock, "m1", "Ada <ada@x>", "Engines", 10, true),
                            message(clock, "m2", "Bob <bob@x>", "Read one", 20, false)});
    auto& v = open();
    TrayMessageRow* unread = v.messageRows()[0];
    QContextMenuEvent event(QContextMenuEvent::Mouse, unread->rect().center(), unread->mapToGlobal(unread->rect().center()));
    QApplication::sendEvent(unread, &event);
    ASSERT_NE(unread->contextMenu(), nullptr);
    EXPECT_EQ(menuTexts(unread->contextMenu()),
              (QStringList{"Open in Tarnwick", "---", "Archive", "Mark as Read", "---", "Delete"}));
    EXPECT_TRUE(menuAction(unread->contextMenu(), "Delete")->property("destructive").toBool());

    menuAction(unread->contextMenu(), "Mark as Read")->trigger();
    EXPECT_EQ(calls, std::vector<std::string>{"threadAction:w:thread-m1:markRead"})
        << "the event carries the thread id, not the message id";
    EXPECT_FALSE(model.messagesByAccount().at("w")[0].isUnread);
    EXPECT_EQ(model.localMarks("w"), std::vector<std::string>{"m1"});
    ASSERT_EQ(v.messageRows().size(), 2u);
    EXPECT_EQ(v.messageRows()[0]->accessibleDescription(), "Read") << "the row turned read at once";

    // A read row offers Mark as Unread; Open opens the thread; Delete removes the row.
    TrayMessageRow* read = v.messageRows()[1];
    QContextMenuEvent again(QContextMenuEvent::Mouse, read->rect().center(), read->mapToGlobal(read->rect().center()));
    QApplication::sendEvent(read, &again);
    ASSERT_NE(read->contextMenu(), nullptr);
    EXPECT_EQ(menuTexts(read->contextMenu()),
              (QStringList{"Open in Tarnwick", "---", "Archive", "Mark as Unread", "---", "Delete"}));
    menuAction(read->contextMenu(), "Open in Tarnwick")->trigger();
    EXPECT_EQ(calls.back(), "showThread:w:thread-m2");
    menuAction(read->contextMenu(), "Delete")->trigger();
    EXPECT_EQ(calls.back(), "threadAction:w:thread-m2:trash");
    EXPECT_EQ(v.messageRows().size(), 1u);
}

TEST_F(TrayPopoverViewTest, ListIsAtMost320High)
{
    model.update(obj(R"({"accounts":[{"id":"a","name":"A","unreadCount":30},{"id":"b","name":"B","unreadCount":30}]})"));
    settle();
    std::vector<TrayMessage> a, b;
    for (int i = 0; i < 25; ++i) {
        a.push_back(message(clock, "a" + std::to_string(i), "A <a@x>", "Hello", i, true));
        b.push_back(message(clock, "b" + std::to_string(i), "B <b@x>", "Hello", i, true));
    }
    model.setMessages("a", a);
    model.setMessages("b", b);
    auto& v = open();
    EXPECT_EQ(v.messageRows().size(), 40u) << "each account keeps its 20";
    ASSERT_NE(v.messageList(), nullptr);
    EXPECT_EQ(v.messageList()->height(), TrayPopoverView::kMaxListHeight);

    model.setMessages("b", {});
    model.setMessages("a", {a[0]});
    settle();
    ASSERT_NE(v.messageList(), nullptr);
    EXPECT_LT(v.messageList()->height(), 80) << "a short list is only as high as its rows";
}

TEST_F(TrayPopoverViewTest, TheListGivesWaySoTheWholePopoverFitsTheScreen)
{
    model.update(obj(R"({"accounts":[{"id":"a","name":"A","unreadCount":30},{"id":"b","name":"B"}]})"));
    settle();
    std::vector<TrayMessage> a;
    for (int i = 0; i < 20; ++i)
        a.push_back(message(clock, "a" + std::to_string(i), "A <a@x>", "Hello", i, true));
    model.setMessages("a", a);
    auto& v = open();
    // The height the view asks for once its layouts have caught up, as the window will take it.
    auto settled = [&v] {
        QCoreApplication::processEvents();
        return v.sizeHint().height();
    };
    const int full = settled();
    ASSERT_EQ(v.messageList()->height(), TrayPopoverView::kMaxListHeight);

    v.setAvailableHeight(full + 100);
    EXPECT_EQ(v.messageList()->maximumHeight(), TrayPopoverView::kMaxListHeight) << "the cap holds where it fits";

    const int room = full - 150;
    v.setAvailableHeight(room);
    EXPECT_LE(settled(), room);
    EXPECT_EQ(v.messageList()->maximumHeight(), TrayPopoverView::kMaxListHeight - 150);

    // A banner and a code arriving take their room from the list, not from the screen.
    model.update(obj(R"({"accounts":[{"id":"a","name":"A","unreadCount":30},{"id":"b","name":"B","needsAuth":true}],
        "verificationCode":{"code":"1","messageId":"m","threadId":"t","accountId":"a"}})"));
    settle();
    ASSERT_NE(v.card(), nullptr);
    EXPECT_LE(settled(), room);

    // However small the screen, one row stays.
    v.setAvailableHeight(50);
    EXPECT_GE(v.messageList()->maximumHeight(), v.messageRows().front()->sizeHint().height());

    v.setAvailableHeight(0);
    EXPECT_EQ(v.messageList()->maximumHeight(), TrayPopoverView::kMaxListHeight);
}

TEST_F(TrayPopoverViewTest, SettingsMenuRefreshesOnceUntilMessagesArrive)
{
    threeAccounts();
    auto& v = open();
    EXPECT_EQ(v.refreshAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R));
    v.refreshAction()->trigger();
    EXPECT_TRUE(model.isRefreshing());
    EXPECT_FALSE(v.refreshAction()->isEnabled());
    v.refreshAction()->trigger();
    EXPECT_EQ(calls, std::vector<std::string>{"refresh"});
    model.setMessages("w", {});
    settle();
    EXPECT_TRUE(v.refreshAction()->isEnabled()) << "a message list ends the refresh";

    menuAction(v.settingsMenu(), QStringLiteral("Preferences…"))->trigger();
    menuAction(v.settingsMenu(), "Quit Tarnwick")->trigger();
    EXPECT_EQ(calls, (std::vector<std::string>{"refresh", "openSettings", "quit"}));
}

TEST_F(TrayPopoverViewTest, CodeCardShowsWhileTheCodeIsActive)
{
    threeAccounts(R"(,"verificationCode":{"code":"482913","service":"Figma","subject":"Your login code","messageId":"m9","threadId":"t9","accountId":"s","receivedAt":)" +
                  std::to_string((long long)((clock.now() - 130) * 1000)) + "}");
    auto& v = open();
    ASSERT_NE(v.card(), nullptr);
    EXPECT_TRUE(v.card()->isVisible());
    EXPECT_EQ(v.card()->accountColor(), QColor("#db2777"));
    EXPECT_EQ(v.card()->findChild<QLabel*>("codeLabel")->text(), "482913");
    EXPECT_EQ(v.card()->findChild<QLabel*>("timeLabel")->text(), "2m ago");

    // Clicking the card opens the thread; the copy button copies without opening it.
    click(v.card()->copyButton());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "482913");
    EXPECT_TRUE(calls.empty());
    click(v.card());
    EXPECT_EQ(calls, std::vector<std::string>{"showThread:s:t9"});

    // A model change keeps the same card (and its Copied state), with a fresh relative time.
    VerificationCodeCard* card = v.card();
    model.update(obj(R"({"verificationCodeDurationMinutes":120})"));
    settle();
    clock.advance(3600);
    model.update(obj(R"({"totalUnread":1})"));
    settle();
    EXPECT_EQ(v.card(), card);
    EXPECT_TRUE(card->isCopied());
    EXPECT_EQ(card->findChild<QLabel*>("timeLabel")->text(), "1h ago");

    // Expired, or switched off: no card.
    clock.advance(7200);
    model.update(obj(R"({"totalUnread":2})"));
    settle();
    EXPECT_EQ(v.card(), nullptr);
    clock.setWallClock(clock.now() - 7200);
    model.update(obj(R"({"menuBarVerificationCodes":false})"));
    settle();
    EXPECT_EQ(v.card(), nullptr);
    model.update(obj(R"({"menuBarVerificationCodes":true})"));
    settle();
    ASSERT_NE(v.card(), nullptr);
    // Archiving the code's message takes the card away.
    model.setMessages("s", {message(clock, "m9", "Figma <f@x>", "Your login code", 1, true)});
    model.apply(TrayThreadAction::archive, "s", "m9");
    settle();
    EXPECT_EQ(v.card(), nullptr);
}

TEST_F(TrayPopoverViewTest, PopoverPlacementStaysOnScreen)
{
    const QRect screen(0, 0, 1920, 1080);
    const QSize size(340, 500);
    EXPECT_EQ(TrayPopover::placement({1000, 12}, size, screen), QPoint(830, 18)) << "centred under a top panel click";
    EXPECT_EQ(TrayPopover::placement({1910, 12}, size, screen), QPoint(1580, 18)) << "kept inside the right edge";
    EXPECT_EQ(TrayPopover::placement({5, 12}, size, screen), QPoint(0, 18));
    EXPECT_EQ(TrayPopover::placement({1000, 1070}, size, screen), QPoint(830, 564)) << "above a bottom panel";
    EXPECT_EQ(TrayPopover::placement({1000, 300}, QSize(340, 1200), screen), QPoint(830, 0))
        << "taller than the screen: pinned to its top";

    // Clicks on a panel outside the work area count from the area's edge: never over the item.
    const QRect belowTopPanel(0, 30, 1280, 770), aboveBottomPanel(0, 0, 1280, 770);
    EXPECT_EQ(TrayPopover::placement({640, 12}, size, belowTopPanel), QPoint(470, 30));
    EXPECT_EQ(TrayPopover::placement({640, 31}, size, belowTopPanel), QPoint(470, 37)) << "an item's lower edge";
    EXPECT_EQ(TrayPopover::placement({640, 785}, size, aboveBottomPanel), QPoint(470, 770 - 500));

    // Where no window manager took a panel out of the work area, its own window does.
    using traypopoverpanel::besidePanel;
    const QRect whole(0, 0, 1280, 800);
    EXPECT_EQ(besidePanel(whole, QRect(0, 0, 1280, 30)), QRect(0, 30, 1280, 770)) << "top";
    EXPECT_EQ(besidePanel(whole, QRect(0, 770, 1280, 30)), QRect(0, 0, 1280, 770)) << "bottom";
    EXPECT_EQ(besidePanel(whole, QRect(0, 0, 48, 800)), QRect(48, 0, 1232, 800)) << "left";
    EXPECT_EQ(besidePanel(whole, QRect(1232, 100, 48, 600)), QRect(0, 0, 1232, 800)) << "right";
    EXPECT_EQ(besidePanel(belowTopPanel, QRect(0, 0, 1280, 30)), belowTopPanel) << "already outside the area";
    EXPECT_EQ(TrayPopover::placement({640, 12}, size, besidePanel(whole, QRect(0, 0, 1280, 30))), QPoint(470, 30));
}

TEST_F(TrayPopoverViewTest, EscapeClosesThePopoverAndItSaysSo)
{
    threeAccounts();
    TrayPopover popover(model, actions(), clock);
    std::vector<std::string> notices;
    QObject::connect(&popover, &TrayPopover::aboutToClose, [&] { notices.push_back("willClose"); });
    QObject::connect(&popover, &TrayPopover::closed, [&] { notices.push_back("didClose"); });
    popover.showAt(QPoint(400, 20));
    ASSERT_TRUE(popover.isVisible());
    EXPECT_EQ(popover.windowType(), Qt::Popup);
    // From the search field, where the keyboard is when the popover opens.
    QTest::keyClick(popover.view()->searchField(), Qt::Key_Escape);
    EXPECT_FALSE(popover.isVisible());
    EXPECT_EQ(notices, (std::vector<std::string>{"willClose", "didClose"}));
}

TEST_F(TrayPopoverViewTest, ReviewImages)
{
    // Written for a person to look at; nothing is compared.
    const QString dir = QStringLiteral(TARNWICK_REVIEW_DIR);
    QDir().mkpath(dir);
    threeAccounts(R"(,"verificationCode":{"code":"482913","service":"Figma","subject":"Your login code","messageId":"m9","threadId":"t9","accountId":"s","receivedAt":)" +
                  std::to_string((long long)((clock.now() - 130) * 1000)) + "}");
    model.setMessages("w", {message(clock, "m1", "\"Ada Lovelace\" <ada@x>", "Re: Analytical engine notes for Thursday", 10, true, MailCategory::updates),
                            message(clock, "m3", "bob@example.com", "Quarterly report", 300, false, MailCategory::forums)});
    model.setMessages("s", {message(clock, "m2", "Carol Danvers <c@x>", "Dinner on Friday?", 2, true, MailCategory::social),
                            message(clock, "m4", "Shop <news@shop.example>", "Your weekly deals are here", 60 * 30, false, MailCategory::promotions)});
    settle();
    TrayPopover popover(model, actions(), clock);
    popover.showAt(QPoint(600, 10));
    EXPECT_EQ(popover.width(), 340);
    // The window follows its content on the next turn of the event loop, as it would on screen.
    auto save = [&](const char* name) {
        QCoreApplication::processEvents();
        return popover.grab().save(dir + "/" + name);
    };
    EXPECT_TRUE(save("tray-popover.png"));

    model.update(obj(R"({"accounts":[{"id":"w","name":"Work","color":"#2563eb","needsAuth":true},{"id":"h","name":"Home","color":"#16a34a"}],"verificationCode":null})"));
    model.setMessages("h", {message(clock, "h1", "\"Grace Hopper\" <grace@x>", "Compiler meeting moved to 3pm", 30, false)});
    settle();
    EXPECT_TRUE(save("tray-popover-signin.png"));
    model.update(obj(R"({"accounts":[{"id":"w","name":"Work","color":"#2563eb"}]})"));
    model.setMessages("w", {message(clock, "w1", "Build bot <ci@x>", "All checks passed", 45, false)});
    settle();
    EXPECT_TRUE(save("tray-popover-caughtup.png"));
    model.update(obj(R"({"accounts":[]})"));
    settle();
    EXPECT_TRUE(save("tray-popover-empty.png"));
    popover.close();
}
