// The snapshot format: strict decoding, the derived values, and loading with its log lines.
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "recordinglog.h"
#include "tarnwick/platform/fakesystempaths.h"
#include "tarnwick/rpc/json.h"
#include "tarnwick/testing/tempdir.h"
#include "tarnwick/widgets/hexcolor.h"
#include "tarnwick/widgets/widgetcache.h"

using namespace tarnwick;
using tarnwick::testing::RecordingLog;
using tarnwick::testing::TempDir;

namespace {

const char* const kValid = R"({
  "updatedAt": 1765000000.5, "totalUnread": 5, "extra": [1, 2],
  "accounts": [
    {"id": "a1", "name": "Work", "color": "#2563EB", "email": "w@example.com", "unreadCount": 4, "x": true},
    {"id": "a2", "name": "Home", "color": "#c05a4e", "email": "h@example.com", "unreadCount": 1}
  ],
  "messages": [
    {"id": "m1", "threadId": "t1", "accountId": "a1", "sender": "Ann", "subject": "Hi", "snippet": "s",
     "date": 1765000000000, "category": "social", "unread": true},
    {"id": "m2", "threadId": "t2", "accountId": "a2", "sender": "Bob", "subject": "Re", "snippet": "",
     "date": 1765000000000.5, "category": null, "unread": null},
    {"id": "m3", "threadId": "t3", "accountId": "zz", "sender": "Cy", "subject": "Old", "snippet": "",
     "date": 0, "unread": false}
  ]
})";

// kValid with `from` replaced by `to` (the first occurrence).
std::string mutate(const std::string& from, const std::string& to)
{
    std::string text = kValid;
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return text.replace(at, from.size(), to);
}

} // namespace

TEST(WidgetCacheDecode, ValidSnapshotKeepsEveryFieldAndIgnoresUnknownKeys)
{
    const auto decoded = WidgetCache::decode(kValid);
    ASSERT_TRUE(decoded.cache) << decoded.error;
    const WidgetCache& c = *decoded.cache;
    EXPECT_DOUBLE_EQ(c.updatedAt, 1765000000.5);
    EXPECT_EQ(c.totalUnread, 5);
    ASSERT_EQ(c.accounts.size(), 2u);
    EXPECT_EQ(c.accounts[1], (CachedAccount{"a2", "Home", "#c05a4e", "h@example.com", 1}));
    ASSERT_EQ(c.messages.size(), 3u);
    EXPECT_EQ(c.messages[0].category, "social");
    EXPECT_EQ(c.messages[0].unread, true);
    EXPECT_FALSE(c.messages[1].category.has_value()) << "null is the same as missing";
    EXPECT_FALSE(c.messages[1].unread.has_value());
    EXPECT_DOUBLE_EQ(c.messages[1].date, 1765000000000.5);
    EXPECT_FALSE(c.messages[2].category.has_value());
    EXPECT_EQ(c.messages[2].unread, false);
}

TEST(WidgetCacheDecode, AnyMismatchFailsTheWholeSnapshot)
{
    struct Row {
        const char* name;
        std::string text;
        const char* errorStart;
    } rows[] = {
        {"empty", "", "dataCorrupted("},
        {"junk", "{\"totalUnread\": ", "dataCorrupted("},
        {"null", "null", "typeMismatch(Dictionary<String, Any>"},
        {"array", "[]", "typeMismatch(Dictionary<String, Any>"},
        {"fractional total", mutate("\"totalUnread\": 5", "\"totalUnread\": 3.5"), "typeMismatch(Int"},
        {"total out of range", mutate("\"totalUnread\": 5", "\"totalUnread\": 1e19"), "typeMismatch(Int"},
        {"total as string", mutate("\"totalUnread\": 5", "\"totalUnread\": \"5\""), "typeMismatch(Int"},
        {"total null", mutate("\"totalUnread\": 5", "\"totalUnread\": null"), "valueNotFound(Int"},
        {"total missing", mutate("\"totalUnread\": 5,", ""), "keyNotFound(\"totalUnread\""},
        {"updatedAt missing", mutate("\"updatedAt\": 1765000000.5,", ""), "keyNotFound(\"updatedAt\""},
        {"updatedAt as bool", mutate("1765000000.5", "true"), "typeMismatch(Double"},
        {"accounts not a list", R"({"updatedAt": 0, "totalUnread": 0, "accounts": {}, "messages": []})",
         "typeMismatch(Array<Any>"},
        {"account not an object", mutate("{\"id\": \"a1\"", "7, {\"id\": \"a1\""), "typeMismatch(Dictionary"},
        {"account without email", mutate(", \"email\": \"h@example.com\"", ""), "keyNotFound(\"email\""},
        {"fractional account count", mutate("\"unreadCount\": 4", "\"unreadCount\": 4.25"), "typeMismatch(Int"},
        {"colour as number", mutate("\"#2563EB\"", "2563"), "typeMismatch(String"},
        {"date as string", mutate("\"date\": 0", "\"date\": \"0\""), "typeMismatch(Double"},
        {"category as number", mutate("\"category\": \"social\"", "\"category\": 2"), "typeMismatch(String"},
        {"unread as string", mutate("\"unread\": true", "\"unread\": \"yes\""), "typeMismatch(Bool"},
        {"message without threadId", mutate("\"threadId\": \"t2\", ", ""), "keyNotFound(\"threadId\""},
        {"messages missing", mutate(",\n  \"messages\": [", ", \"nomessages\": ["), "keyNotFound(\"messages\""},
    };
    for (const Row& row : rows) {
        const auto decoded = WidgetCache::decode(row.text);
        EXPECT_FALSE(decoded.cache) << row.name;
        EXPECT_EQ(decoded.error.rfind(row.errorStart, 0), 0u) << row.name << ": " << decoded.error;
    }
}

TEST(WidgetCacheDecode, WholeDoublesCountAsIntegersAndErrorsNameTheirPath)
{
    const auto whole = WidgetCache::decode(mutate("\"unreadCount\": 4", "\"unreadCount\": 4.0"));
    ASSERT_TRUE(whole.cache) << whole.error;
    EXPECT_EQ(whole.cache->accounts[0].unreadCount, 4);

    const auto bad = WidgetCache::decode(mutate("\"unreadCount\": 1", "\"unreadCount\": 1.5"));
    EXPECT_NE(bad.error.find("codingPath: [\"accounts\", 1, \"unreadCount\"]"), std::string::npos) << bad.error;
    EXPECT_NE(bad.error.find("<1.5>"), std::string::npos) << bad.error;
}

TEST(WidgetCacheDecode, JsonFormRoundTrips)
{
    const WidgetCache cache = *WidgetCache::decode(kValid).cache;
    const auto text = json::toString(cache.toValue());
    ASSERT_TRUE(text);
    const auto again = WidgetCache::decode(*text);
    ASSERT_TRUE(again.cache) << again.error;
    EXPECT_EQ(*again.cache, cache);
    EXPECT_EQ(text->find("\"category\":null"), std::string::npos) << "absent fields stay absent";
}

TEST(WidgetCache, OnlyUnreadKeepsTrueAndAbsentAndLeavesTotalsAlone)
{
    WidgetCache cache = *WidgetCache::decode(kValid).cache;
    cache.messages[0].unread = std::nullopt; // absent counts as unread
    cache.messages[1].unread = true;
    const WidgetCache unread = cache.onlyUnread();
    ASSERT_EQ(unread.messages.size(), 2u);
    EXPECT_EQ(unread.messages[0].id, "m1");
    EXPECT_EQ(unread.messages[1].id, "m2");
    EXPECT_EQ(unread.totalUnread, cache.totalUnread);
    EXPECT_EQ(unread.accounts, cache.accounts);
    EXPECT_EQ(unread.updatedAt, cache.updatedAt);
}

TEST(WidgetCache, AccountOfAMessageIsTheFirstWithItsId)
{
    WidgetCache cache = *WidgetCache::decode(kValid).cache;
    cache.accounts.push_back({"a1", "Duplicate", "#000000", "d@example.com", 0});
    ASSERT_NE(cache.account(cache.messages[0]), nullptr);
    EXPECT_EQ(cache.account(cache.messages[0])->name, "Work");
    EXPECT_EQ(cache.account(cache.messages[2]), nullptr) << "\"zz\" names no account";
}

TEST(CachedMessage, DisplayDateTodayYesterdayAndEdges)
{
    const QTimeZone zone("Europe/Berlin");
    ASSERT_TRUE(zone.isValid());
    const QDateTime now(QDate(2026, 3, 10), QTime(15, 0), zone);
    const auto ms = [&](QDate d, QTime t) { return double(QDateTime(d, t, zone).toMSecsSinceEpoch()); };
    const QLocale english(QLocale::English, QLocale::UnitedKingdom);
    const QLocale german(QLocale::German, QLocale::Germany);

    struct Row {
        const char* name;
        double date;
        QLocale locale;
        QString expected;
    } rows[] = {
        {"zero", 0, english, ""},
        {"negative", -5000, english, ""},
        {"today 09:05", ms(QDate(2026, 3, 10), QTime(9, 5)), english, "09:05"},
        {"today just after midnight", ms(QDate(2026, 3, 10), QTime(0, 1)), english, "00:01"},
        {"yesterday 09:05", ms(QDate(2026, 3, 9), QTime(9, 5)), english, "9 Mar"},
        {"yesterday late, under a day ago", ms(QDate(2026, 3, 9), QTime(23, 59)), english, "9 Mar"},
        {"yesterday in German", ms(QDate(2026, 3, 9), QTime(9, 5)), german,
         "9 " + german.monthName(3, QLocale::ShortFormat)},
        {"beyond any calendar", 1e300, english, ""},
    };
    for (const Row& row : rows) {
        CachedMessage m;
        m.date = row.date;
        EXPECT_EQ(m.displayDate(now, zone, row.locale), row.expected) << row.name;
    }

    // The same instant is "today" in one zone and the previous day in another.
    CachedMessage m;
    m.date = ms(QDate(2026, 3, 10), QTime(0, 30)); // 23:30 UTC on the 9th
    EXPECT_EQ(m.displayDate(now, zone, english), "00:30");
    EXPECT_EQ(m.displayDate(now, QTimeZone::utc(), english), "9 Mar");
}

TEST(HexColor, ParsesSixDigitsAndFallsBackToTheAccent)
{
    const QColor accent(1, 2, 3);
    struct Row {
        const char* text;
        std::optional<QColor> expected;
    } rows[] = {
        {"", std::nullopt},
        {"#", std::nullopt},
        {"#2563EB", QColor(0x25, 0x63, 0xEB)},
        {" \t#2563eb\t ", QColor(0x25, 0x63, 0xEB)},
        {"c05a4e", QColor(0xC0, 0x5A, 0x4E)},
        {"C05A4E", QColor(0xC0, 0x5A, 0x4E)},
        {"#C05A4", std::nullopt},
        {"#C05A4E\n", std::nullopt},
        {"\n#C05A4E", std::nullopt},
        {"##C05A4E", std::nullopt},
        {"#C05A4G", std::nullopt},
        {"0xC05A", std::nullopt},
        {"+C05A4", std::nullopt},
        {"#C05A4E00", std::nullopt},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(parseHexColor(row.text), row.expected) << '"' << row.text << '"';
        EXPECT_EQ(colorFromHex(row.text, accent), row.expected.value_or(accent)) << row.text;
    }
    EXPECT_EQ(parseHexColor("#FFFFFF")->alphaF(), 1.0);
}

class WidgetCacheLoad : public ::testing::Test {
protected:
    TempDir tmp;
    FakeSystemPaths paths;
    RecordingLog log;

    void SetUp() override
    {
        paths.groupId = "T1.group.com.fenmoorlab.tarnwick";
        paths.containerRoot = tmp.path() / "home" / "containers";
        log.home = (tmp.path() / "home").string();
    }
    std::filesystem::path file() const { return tmp.path() / "home" / "containers" / *paths.groupId / "widget-cache.json"; }
};

TEST_F(WidgetCacheLoad, WithoutAGroupOrContainerLogsAndGivesEmpty)
{
    paths.groupId.reset();
    EXPECT_EQ(WidgetCache::load(paths, log), WidgetCache::empty());
    paths.groupId = "";
    EXPECT_EQ(WidgetCache::load(paths, log), WidgetCache::empty());
    paths.groupId = "T1.group.com.fenmoorlab.tarnwick";
    paths.containerRoot.reset();
    EXPECT_EQ(WidgetCache::load(paths, log), WidgetCache::empty());
    EXPECT_EQ(log.lines, (std::vector<std::string>{
                             "error|No App Group container; this build is not entitled for any group",
                             "error|No App Group container; this build is not entitled for any group",
                             "error|No App Group container; this build is not entitled for "
                             "T1.group.com.fenmoorlab.tarnwick"}));
}

TEST_F(WidgetCacheLoad, MissingFileWarnsWithTheHomeShortened)
{
    EXPECT_EQ(WidgetCache::load(paths, log), WidgetCache::empty());
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0], "warn|widget-cache.json not found at ~/containers/T1.group.com.fenmoorlab.tarnwick/"
                            "widget-cache.json");
}

TEST_F(WidgetCacheLoad, UnreadableAndUndecodableFilesLogOneErrorEach)
{
    std::filesystem::create_directories(file()); // a directory where the file should be
    EXPECT_EQ(WidgetCache::load(paths, log), WidgetCache::empty());
    std::filesystem::remove(file());

    tmp.write("home/containers/T1.group.com.fenmoorlab.tarnwick/widget-cache.json", mutate("\"totalUnread\": 5", "\"totalUnread\": 3.5"));
    EXPECT_EQ(WidgetCache::load(paths, log), WidgetCache::empty());

    ASSERT_EQ(log.lines.size(), 2u);
    EXPECT_EQ(log.lines[0].rfind("error|Failed to read widget-cache.json: ", 0), 0u) << log.lines[0];
    EXPECT_EQ(log.lines[1].rfind("error|Failed to decode widget-cache.json: typeMismatch(Int, ", 0), 0u) << log.lines[1];
}

TEST_F(WidgetCacheLoad, PermissionDeniedIsAReadFailure)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads any file";
    tmp.write("home/containers/T1.group.com.fenmoorlab.tarnwick/widget-cache.json", kValid);
    ::chmod(file().c_str(), 0);
    EXPECT_EQ(WidgetCache::load(paths, log), WidgetCache::empty());
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0], "error|Failed to read widget-cache.json: Permission denied");
}

TEST_F(WidgetCacheLoad, ValidFileLogsWhatItLoaded)
{
    tmp.write("home/containers/T1.group.com.fenmoorlab.tarnwick/widget-cache.json", kValid);
    const WidgetCache cache = WidgetCache::load(paths, log);
    EXPECT_EQ(cache.accounts.size(), 2u);
    EXPECT_EQ(log.lines, (std::vector<std::string>{"info|Loaded widget cache: 2 account(s), 5 unread, 3 message(s)"}));
}

TEST_F(WidgetCacheLoad, OversizedFileIsRefusedUnread)
{
    const auto path = tmp.path() / "big.json";
    {
        std::ofstream out(path);
        out << "[";
        out.seekp(std::streamoff(kMaxSnapshotBytes) + 1);
        out << "]";
    }
    EXPECT_EQ(WidgetCache::loadFile(path, log), WidgetCache::empty());
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0].rfind("error|Failed to read widget-cache.json: ", 0), 0u);
}
