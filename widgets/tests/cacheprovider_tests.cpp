// Kinds and timeline providers: what each request reads, logs and returns.
#include <gtest/gtest.h>

#include "recordinglog.h"
#include "tarnwick/rpc/json.h"
#include "tarnwick/widgets/cacheprovider.h"
#include "tarnwick/widgets/timelinejson.h"

using namespace tarnwick;
using tarnwick::testing::RecordingLog;

namespace {

WidgetCache sampleCache()
{
    WidgetCache c;
    c.totalUnread = 9;
    c.accounts = {{"a1", "Work", "#2563EB", "w@example.com", 9}};
    for (int i = 0; i < 3; ++i) {
        CachedMessage m;
        m.id = "m" + std::to_string(i);
        m.threadId = "t" + std::to_string(i);
        m.accountId = "a1";
        m.date = 1.0;
        c.messages.push_back(m);
    }
    c.messages[1].unread = false;
    c.messages[2].unread = true;
    return c;
}

struct Harness {
    RecordingLog log;
    int loads = 0;
    QDateTime now = QDateTime(QDate(2026, 5, 4), QTime(10, 0), QTimeZone::utc());
    WidgetCache cache = sampleCache();

    ProviderContext context()
    {
        return {[this] { return now; }, [this] { ++loads; return cache; }, &log};
    }
};

} // namespace

TEST(WidgetKinds, TableInBundleOrder)
{
    ASSERT_EQ(widgetkind::allKinds.size(), 4u);
    const auto& k = widgetkind::allKinds;
    EXPECT_EQ(k[0].identifier, "com.fenmoorlab.tarnwick.widget.unread");
    EXPECT_EQ(k[0].displayName, "Unread");
    EXPECT_EQ(k[0].description, "Unread totals across your accounts.");
    EXPECT_EQ(k[0].family, WidgetFamily::small);
    EXPECT_EQ(k[1].identifier, "com.fenmoorlab.tarnwick.widget.quickactions");
    EXPECT_EQ(k[1].displayName, "Quick Actions");
    EXPECT_EQ(k[1].description, "Per-account unread counts with one-tap compose.");
    EXPECT_EQ(k[1].family, WidgetFamily::medium);
    EXPECT_EQ(k[2].identifier, "com.fenmoorlab.tarnwick.widget.recents");
    EXPECT_EQ(k[2].displayName, "Recents");
    EXPECT_EQ(k[2].description, "Your most recent threads.");
    EXPECT_EQ(k[2].family, WidgetFamily::medium);
    EXPECT_EQ(k[3].identifier, "com.fenmoorlab.tarnwick.widget.dashboard");
    EXPECT_EQ(k[3].displayName, "Inbox Dashboard");
    EXPECT_EQ(k[3].description, "Unread counts plus your latest threads.");
    EXPECT_EQ(k[3].family, WidgetFamily::large);
    EXPECT_EQ((std::vector<bool>{k[0].configurable, k[1].configurable, k[2].configurable, k[3].configurable}),
              (std::vector<bool>{false, false, true, true}));
    for (const WidgetKindInfo& info : k)
        EXPECT_EQ(widgetkind::fromShortName(info.shortName), info.kind);
    EXPECT_FALSE(widgetkind::fromShortName("Unread"));
    EXPECT_FALSE(widgetkind::fromShortName(""));
    EXPECT_EQ(WidgetThreadFilterIntent::title, "Choose Threads");
    EXPECT_EQ(WidgetThreadFilterIntent::unreadOnlyTitle, "Unread only");
    EXPECT_FALSE(WidgetThreadFilterIntent{}.unreadOnly);
}

TEST(CacheProviders, PlaceholdersNeitherLoadNorLog)
{
    Harness h;
    const CacheEntry a = CacheProvider(h.context()).placeholder();
    const CacheEntry b = ThreadListCacheProvider(h.context()).placeholder();
    EXPECT_EQ(h.loads, 0);
    EXPECT_TRUE(h.log.lines.empty());
    EXPECT_EQ(a.cache, WidgetCache::empty());
    EXPECT_EQ(b.cache, WidgetCache::empty());
    EXPECT_EQ(a.date, h.now);
}

TEST(CacheProviders, EveryRequestLoadsAfreshAndLogsItsLine)
{
    Harness h;
    const WidgetThreadFilterIntent off;
    CacheProvider plain(h.context());
    ThreadListCacheProvider threads(h.context());
    EXPECT_EQ(plain.snapshot().cache, h.cache);
    EXPECT_EQ(plain.timeline().entries.size(), 1u);
    EXPECT_EQ(threads.snapshot(off).cache, h.cache);
    EXPECT_EQ(threads.timeline(off).entries.size(), 1u);
    EXPECT_EQ(plain.timeline().entries.front().cache, h.cache);
    EXPECT_EQ(h.loads, 5);
    EXPECT_EQ(h.log.lines, (std::vector<std::string>{"info|getSnapshot requested", "info|getTimeline requested",
                                                     "info|snapshot requested", "info|timeline requested",
                                                     "info|getTimeline requested"}));
}

// One entry now and the next request fifteen minutes later, with a snapshot and without one:
// host_tests (the program's timeline) and TimelineJson below (the exact times).
TEST(CacheProviders, RefreshTimeIsFifteenRealMinutesAcrossAClockChange)
{
    const QTimeZone berlin("Europe/Berlin");
    ASSERT_TRUE(berlin.isValid());
    // 01:50 on the night clocks go forward: fifteen minutes later the wall clock says 03:05.
    const QDateTime before(QDate(2026, 3, 29), QTime(1, 50), berlin);
    const QDateTime after = widgetRefreshTime(before);
    EXPECT_EQ(before.secsTo(after), 15 * 60);
    EXPECT_EQ(after.time(), QTime(3, 5));
    EXPECT_EQ(widgetRefreshTime(QDateTime()), QDateTime()) << "no date to add to: now itself";
}

TEST(CacheProviders, UnreadOnlyFiltersMessagesOfThreadListKindsOnly)
{
    Harness h;
    const WidgetThreadFilterIntent on{true};
    const WidgetCache filtered = requestSnapshot(WidgetKind::recents, h.context(), on).cache;
    ASSERT_EQ(filtered.messages.size(), 2u);
    EXPECT_EQ(filtered.messages[0].id, "m0");
    EXPECT_EQ(filtered.messages[1].id, "m2");
    EXPECT_EQ(filtered.totalUnread, 9);
    EXPECT_EQ(filtered.accounts, h.cache.accounts);
    EXPECT_EQ(requestTimeline(WidgetKind::dashboard, h.context(), on).entries.at(0).cache.messages.size(), 2u);
    // The kinds without configuration ignore it.
    EXPECT_EQ(requestSnapshot(WidgetKind::unread, h.context(), on).cache.messages.size(), 3u);
}

TEST(TimelineJson, CarriesKindEntryCacheAndRefreshTime)
{
    Harness h;
    const Timeline t = requestTimeline(WidgetKind::recents, h.context(), {true});
    const auto text = json::toString(timelineToValue(WidgetKind::recents, {true}, t));
    ASSERT_TRUE(text);
    const auto parsed = json::parse(*text);
    ASSERT_TRUE(parsed && parsed->object());
    const Object& o = *parsed->object();
    EXPECT_EQ(*o.at("kind").string(), "com.fenmoorlab.tarnwick.widget.recents");
    EXPECT_EQ(*o.at("family").string(), "medium");
    EXPECT_EQ(*o.at("reloadAfter").string(), "2026-05-04T10:15:00.000Z");
    EXPECT_EQ(o.at("configuration").object()->at("unreadOnly").boolean(), true);
    const Array& entries = *o.at("entries").array();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(*entries[0].object()->at("date").string(), "2026-05-04T10:00:00.000Z");
    EXPECT_EQ(entries[0].object()->at("cache").object()->at("messages").array()->size(), 2u);

    const auto plain = timelineToValue(WidgetKind::unread, {}, t);
    EXPECT_FALSE(plain.object()->contains("configuration")) << "only thread-list kinds are configurable";
}
