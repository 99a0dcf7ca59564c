// The four widget views, checked through their widget trees: texts, links, limits and colours.
#include <QDir>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "tarnwick/widgets/views/accountchip.h"
#include "tarnwick/widgets/views/accounttile.h"
#include "tarnwick/widgets/views/dashboardwidgetview.h"
#include "tarnwick/widgets/views/dotview.h"
#include "tarnwick/widgets/views/emptystate.h"
#include "tarnwick/widgets/views/messagegroup.h"
#include "tarnwick/widgets/views/messagerow.h"
#include "tarnwick/widgets/views/symbolview.h"
#include "tarnwick/widgets/views/widgetheader.h"
#include "tarnwick/widgets/views/widgetrenderer.h"
#include "viewtestsupport.h"

using namespace tarnwick;
using namespace tarnwick::testing;

namespace {

std::unique_ptr<WidgetContainer> make(WidgetKind kind, const WidgetCache& cache)
{
    return makeWidget(kind, cache, fixedEnvironment());
}

std::vector<MessageRow*> rows(QWidget* root)
{
    return shown<MessageRow>(root);
}

// Delivers a click the way the window system does: to the deepest widget under the point.
void clickAt(QWidget* root, QPoint point)
{
    QWidget* target = root->childAt(point);
    ASSERT_NE(target, nullptr);
    QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(root, point));
}

TextView* child(QWidget* root, const char* name)
{
    return root->findChild<TextView*>(QString::fromLatin1(name));
}

} // namespace

TEST(WidgetViews, EmptyStatesSayWhatIsMissing)
{
    WidgetCache noMessagesNothingUnread = snapshot(2, 0, 0);
    WidgetCache noMessagesSomeUnread = snapshot(2, 0, 3);
    struct Row {
        const char* name;
        WidgetKind kind;
        WidgetCache cache;
        std::optional<bool> caughtUp; // nothing: no empty state at all
    } table[] = {
        {"empty snapshot, quick actions", WidgetKind::quickActions, WidgetCache::empty(), false},
        {"empty snapshot, recents", WidgetKind::recents, WidgetCache::empty(), false},
        {"empty snapshot, dashboard", WidgetKind::dashboard, WidgetCache::empty(), false},
        {"empty snapshot, unread", WidgetKind::unread, WidgetCache::empty(), std::nullopt},
        {"no messages, total 0, recents", WidgetKind::recents, noMessagesNothingUnread, true},
        {"no messages, total 0, dashboard", WidgetKind::dashboard, noMessagesNothingUnread, true},
        {"no messages, total 3, recents", WidgetKind::recents, noMessagesSomeUnread, false},
        {"no messages, total 3, dashboard", WidgetKind::dashboard, noMessagesSomeUnread, false},
        {"accounts, quick actions", WidgetKind::quickActions, noMessagesNothingUnread, std::nullopt},
        {"messages, recents", WidgetKind::recents, snapshot(1, 2), std::nullopt},
    };
    for (const Row& row : table) {
        const auto widget = make(row.kind, row.cache);
        const auto states = shown<EmptyState>(widget.get());
        const QStringList t = texts(widget.get());
        if (!row.caughtUp) {
            EXPECT_TRUE(states.empty()) << row.name;
            EXPECT_FALSE(t.contains("All caught up") || t.contains("Open Tarnwick to sync")) << row.name;
            continue;
        }
        ASSERT_EQ(states.size(), 1u) << row.name;
        const bool caughtUp = *row.caughtUp;
        EXPECT_EQ(states[0]->caughtUp(), caughtUp) << row.name;
        EXPECT_EQ(texts(states[0]), QStringList{caughtUp ? "All caught up" : "Open Tarnwick to sync"}) << row.name;
        const auto symbols = shown<SymbolView>(states[0]);
        ASSERT_EQ(symbols.size(), 1u);
        EXPECT_EQ(symbols[0]->symbolName(), caughtUp ? "checkmark.circle.fill" : "envelope") << row.name;
        EXPECT_EQ(symbols[0]->color(), caughtUp ? fixedEnvironment().green : fixedEnvironment().secondary);
    }
}

TEST(WidgetViews, UnreadWidgetShowsTotalAndFirstThreeAccounts)
{
    const auto empty = make(WidgetKind::unread, WidgetCache::empty());
    EXPECT_EQ(child(empty.get(), "totalUnread")->text(), "0");
    EXPECT_EQ(empty->wholeWidgetLink(), QString("tarnwick://inbox"));

    const auto widget = make(WidgetKind::unread, snapshot(5, 0, 1234567));
    EXPECT_EQ(child(widget.get(), "totalUnread")->text(), "1234567");
    EXPECT_EQ(child(widget.get(), "totalUnread")->displayedText(), "1234567") << "shrinks rather than cut";
    EXPECT_EQ(links(widget.get()), (QStringList{"tarnwick://inbox", "tarnwick://inbox?account=acc0",
                                                "tarnwick://inbox?account=acc1", "tarnwick://inbox?account=acc2"}));
    const QStringList t = texts(widget.get());
    EXPECT_TRUE(t.contains("unread"));
    EXPECT_TRUE(t.contains("Studio Lumen"));
    EXPECT_FALSE(t.contains("Rowing Club")) << "the fourth account is not listed";
    EXPECT_EQ(shown<DotView>(widget.get()).size(), 3u);
}

TEST(WidgetViews, QuickActionsSwitchFromTilesToGridAtThreeAccounts)
{
    struct Row {
        int accounts;
        std::size_t tiles, chips;
    } table[] = {{1, 1, 0}, {2, 2, 0}, {3, 0, 3}, {5, 0, 4}};
    for (const Row& row : table) {
        const auto widget = make(WidgetKind::quickActions, snapshot(row.accounts, 0));
        EXPECT_EQ(shown<AccountTile>(widget.get()).size(), row.tiles) << row.accounts;
        EXPECT_EQ(shown<AccountChip>(widget.get()).size(), row.chips) << row.accounts;
        EXPECT_EQ(texts(widget.get()).first(), "Tarnwick") << "the header shows the name";
        EXPECT_TRUE(texts(widget.get()).contains("7 unread"));
        EXPECT_TRUE(shown<EmptyState>(widget.get()).empty());
    }
}

TEST(WidgetViews, GridRowsHoldTwoChipsAndALoneChipStaysHalfWide)
{
    const auto three = make(WidgetKind::dashboard, snapshot(3, 0));
    auto chips = shown<AccountChip>(three.get());
    ASSERT_EQ(chips.size(), 3u);
    const auto pos = [&](QWidget* w) { return w->mapTo(three.get(), QPoint(0, 0)); };
    EXPECT_EQ(pos(chips[0]).y(), pos(chips[1]).y());
    EXPECT_EQ(pos(chips[2]).y() - pos(chips[0]).y(), 34 + 8) << "rows 8 apart";
    EXPECT_EQ(pos(chips[1]).x() - (pos(chips[0]).x() + chips[0]->width()), 10) << "chips 10 apart";
    EXPECT_EQ(chips[2]->width(), chips[0]->width()) << "a lone chip keeps half the width";
    EXPECT_EQ(chips[0]->height(), 34);
    EXPECT_EQ(shown<QWidget>(three.get()).end() !=
                  std::find_if(shown<QWidget>(three.get()).begin(), shown<QWidget>(three.get()).end(),
                               [](QWidget* w) { return w->objectName() == "gridFiller"; }),
              true);

    const auto five = make(WidgetKind::dashboard, snapshot(5, 0));
    chips = shown<AccountChip>(five.get());
    ASSERT_EQ(chips.size(), 4u) << "the first four of five accounts";
    EXPECT_FALSE(texts(five.get()).contains("Archive"));
    EXPECT_TRUE(texts(five.get()).contains("RECENT"));
}

TEST(WidgetViews, MessageLimitsPerKindAndAccountCount)
{
    struct Row {
        WidgetKind kind;
        int accounts, messages;
        std::size_t shownRows;
    } table[] = {
        {WidgetKind::recents, 1, 8, 3},   {WidgetKind::recents, 1, 2, 2},   {WidgetKind::dashboard, 2, 8, 5},
        {WidgetKind::dashboard, 1, 8, 5}, {WidgetKind::dashboard, 3, 8, 4}, {WidgetKind::dashboard, 5, 8, 4},
        {WidgetKind::dashboard, 2, 3, 3},
    };
    for (const Row& row : table) {
        const auto widget = make(row.kind, snapshot(row.accounts, row.messages));
        const auto r = rows(widget.get());
        ASSERT_EQ(r.size(), row.shownRows) << row.accounts << " accounts, " << row.messages << " messages";
        for (std::size_t i = 0; i < r.size(); ++i)
            EXPECT_EQ(r[i]->showsDivider(), i + 1 < r.size()) << "every row but the last has a divider";
        EXPECT_EQ(texts(r.front())[0], "Sender 0") << "snapshot order";
    }
}

TEST(WidgetViews, DashboardGroupStretchesOnlyWhenItHoldsAFullSet)
{
    const auto full = make(WidgetKind::dashboard, snapshot(2, 5));
    const auto partial = make(WidgetKind::dashboard, snapshot(2, 3));
    const auto bottomOf = [](WidgetContainer* w) {
        auto* group = w->findChild<MessageGroup*>();
        return group->mapTo(w->content(), QPoint(0, group->height())).y();
    };
    EXPECT_EQ(bottomOf(full.get()), full->content()->height()) << "reaches the bottom";
    EXPECT_LT(bottomOf(partial.get()), partial->content()->height() - 20) << "space below stays empty";
    EXPECT_GT(rows(full.get())[0]->height(), rows(partial.get())[0]->height());
}

TEST(WidgetViews, RowAccentIsTheAccountColourOrTheSystemAccent)
{
    WidgetCache cache = snapshot(2, 0);
    cache.accounts[1].color = "not a colour";
    cache.messages = {message(0, "acc0"), message(1, "acc1"), message(2, "gone")};
    const auto widget = make(WidgetKind::recents, cache);
    const auto r = rows(widget.get());
    ASSERT_EQ(r.size(), 3u);
    const QColor accent = fixedEnvironment().accent;
    EXPECT_EQ(r[0]->accent(), QColor("#2563EB"));
    EXPECT_EQ(r[1]->accent(), accent) << "a colour that does not parse";
    EXPECT_EQ(r[2]->accent(), accent) << "an account missing from the snapshot";
    auto* dot = r[2]->findChild<DotView*>("unreadDot");
    ASSERT_NE(dot, nullptr);
    EXPECT_EQ(dot->color(), accent);
}

TEST(WidgetViews, MessageRowShowsReadAndUnreadApart)
{
    WidgetCache cache = snapshot(1, 0);
    cache.messages = {message(0, "acc0", true), message(1, "acc0", false), message(2, "acc0")};
    cache.messages[0].category = "Social";
    cache.messages[1].category = "spam";
    const auto widget = make(WidgetKind::recents, cache);
    const auto r = rows(widget.get());
    ASSERT_EQ(r.size(), 3u);
    const WidgetEnvironment env = fixedEnvironment();

    struct Expect {
        bool unread;
        const char* symbol;
        const char* title;
    } expected[] = {{true, "person.2", "Social"}, {false, "tray", "Primary"}, {true, "tray", "Primary"}};
    for (std::size_t i = 0; i < r.size(); ++i) {
        MessageRow* row = r[i];
        EXPECT_EQ(row->isUnread(), expected[i].unread) << i;
        EXPECT_EQ(row->property("accessibilityValue").toString(), expected[i].unread ? "Unread" : "Read");
        TextView* sender = child(row, "sender");
        TextView* subject = child(row, "subject");
        EXPECT_EQ(sender->textFont().weight(), expected[i].unread ? QFont::DemiBold : QFont::Medium) << i;
        EXPECT_EQ(sender->color(), expected[i].unread ? env.primary : env.secondary) << i;
        EXPECT_EQ(subject->textOpacity(), expected[i].unread ? 1.0 : 0.7) << i;
        EXPECT_EQ(row->findChild<DotView*>("unreadDot") != nullptr, expected[i].unread) << i;
        auto* symbol = row->findChild<SymbolView*>("categorySymbol");
        ASSERT_NE(symbol, nullptr);
        EXPECT_EQ(symbol->symbolName(), expected[i].symbol) << i;
        EXPECT_EQ(symbol->accessibleName(), expected[i].title) << i;
        EXPECT_EQ(symbol->color(), env.tertiary);
        EXPECT_EQ(child(row, "date")->text(), QString("09:%1").arg(i, 2, 10, QChar('0'))) << "today: HH:mm";
    }
}

TEST(WidgetViews, EveryTappablePartLinksWhereItShould)
{
    const WidgetCache two = snapshot(2, 1);
    const WidgetCache three = snapshot(3, 1);
    struct Row {
        const char* name;
        WidgetKind kind;
        WidgetCache cache;
        QStringList links;
    } table[] = {
        {"quick actions, tiles", WidgetKind::quickActions, two,
         {"tarnwick://inbox?account=acc0", "tarnwick://compose?account=acc0", "tarnwick://inbox?account=acc1",
          "tarnwick://compose?account=acc1"}},
        {"quick actions, grid", WidgetKind::quickActions, three,
         {"tarnwick://inbox?account=acc0", "tarnwick://compose?account=acc0", "tarnwick://inbox?account=acc1",
          "tarnwick://compose?account=acc1", "tarnwick://inbox?account=acc2", "tarnwick://compose?account=acc2"}},
        {"recents", WidgetKind::recents, two, {"tarnwick://compose", "tarnwick://thread/t0?account=acc0"}},
        {"dashboard", WidgetKind::dashboard, three,
         {"tarnwick://compose", "tarnwick://inbox?account=acc0", "tarnwick://inbox?account=acc1",
          "tarnwick://inbox?account=acc2", "tarnwick://thread/t0?account=acc0"}},
    };
    for (const Row& row : table) {
        const auto widget = make(row.kind, row.cache);
        EXPECT_EQ(links(widget.get()), row.links) << row.name;
        EXPECT_FALSE(widget->wholeWidgetLink()) << row.name << ": only the unread widget links as a whole";
    }
}

TEST(WidgetViews, IdsThatMakeNoValidLinkLeaveTheirPartWithoutOne)
{
    WidgetCache cache = snapshot(1, 0);
    cache.accounts[0].id = "has space";
    CachedMessage m = message(0, "has space");
    m.threadId = "t%zz";
    cache.messages = {m};
    const auto widget = make(WidgetKind::dashboard, cache);
    EXPECT_EQ(links(widget.get()), (QStringList{"tarnwick://compose", "<no link>", "<no link>"}));
    EXPECT_TRUE(texts(widget.get()).contains("Work")) << "the part is still shown";
    EXPECT_TRUE(LinkArea::isValidLink("tarnwick://thread/a-b_c.d~e?account=x%40y"));
    EXPECT_FALSE(LinkArea::isValidLink("tarnwick://inbox?account=é"));
    EXPECT_FALSE(LinkArea::isValidLink("no scheme"));
}

TEST(WidgetViews, ClicksReachTheInnermostLink)
{
    const auto widget = make(WidgetKind::quickActions, snapshot(3, 0));
    widget->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(widget.get()));
    QSignalSpy spy(widget.get(), &WidgetContainer::linkActivated);
    auto chips = shown<AccountChip>(widget.get());
    ASSERT_EQ(chips.size(), 3u);
    auto* compose = chips[1]->findChild<LinkArea*>("composeButton");
    ASSERT_NE(compose, nullptr);
    clickAt(widget.get(), compose->mapTo(widget.get(), compose->rect().center()));
    clickAt(widget.get(), chips[2]->mapTo(widget.get(), QPoint(20, 17)));
    ASSERT_EQ(spy.count(), 2);
    EXPECT_EQ(spy[0][0].toString(), "tarnwick://compose?account=acc1");
    EXPECT_EQ(spy[1][0].toString(), "tarnwick://inbox?account=acc2");

    const auto unread = make(WidgetKind::unread, WidgetCache::empty());
    unread->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(unread.get()));
    QSignalSpy whole(unread.get(), &WidgetContainer::linkActivated);
    clickAt(unread.get(), QPoint(150, 150));
    ASSERT_EQ(whole.count(), 1);
    EXPECT_EQ(whole[0][0].toString(), "tarnwick://inbox");
}

TEST(WidgetViews, HeadersCarryTotalsAndCompose)
{
    const auto dashboard = make(WidgetKind::dashboard, snapshot(1, 1, 42));
    auto* header = dashboard->findChild<WidgetHeader*>();
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(texts(header), (QStringList{"Tarnwick", "42 unread"}));
    EXPECT_EQ(links(header), QStringList{"tarnwick://compose"});

    const auto quick = make(WidgetKind::quickActions, snapshot(1, 0, 42));
    EXPECT_TRUE(links(quick->findChild<WidgetHeader*>()).isEmpty()) << "no compose in the quick-actions header";
}

// Every kind's family size, at three scales: host_tests, in the PNGs the program writes.
TEST(WidgetViews, ContentStaysInsideTheWidget)
{
    // The tightest layouts: three rows in a medium widget, a full dashboard with two grid rows.
    for (auto [kind, cache] : {std::pair{WidgetKind::recents, snapshot(2, 6)}, std::pair{WidgetKind::dashboard, snapshot(4, 8)},
                               std::pair{WidgetKind::unread, snapshot(4, 0)}, std::pair{WidgetKind::quickActions, snapshot(2, 0)}}) {
        const auto widget = make(kind, cache);
        const QRect inside = widget->content()->rect();
        for (QWidget* w : shown<QWidget>(widget->content())) {
            const QRect r(w->mapTo(widget->content(), QPoint(0, 0)), w->size());
            EXPECT_TRUE(inside.contains(r)) << w->metaObject()->className() << " " << w->objectName().toStdString()
                                            << " sticks out of " << widgetkind::info(kind).shortName;
        }
    }
}
