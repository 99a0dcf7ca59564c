#include <gtest/gtest.h>

#include <QSignalSpy>
#include <regex>

#include "tarnwick/helper/traymodel.h"
#include "tarnwick/rpc/json.h"

using namespace tarnwick;

namespace {

Object obj(std::string_view text)
{
    auto value = json::parse(text);
    EXPECT_TRUE(value && value->object()) << text;
    return value && value->object() ? *value->object() : Object{};
}

TrayMessage message(std::string id, std::string date, bool unread = true)
{
    TrayMessage m;
    m.id = std::move(id);
    m.threadId = "t-" + m.id;
    m.internalDate = std::move(date);
    m.isUnread = unread;
    return m;
}

std::vector<std::string> ids(const std::vector<TrayMessage>& messages)
{
    std::vector<std::string> out;
    for (const auto& m : messages)
        out.push_back(m.id);
    return out;
}

class TrayModelTest : public ::testing::Test {
protected:
    ManualClock clock;
    TrayModel model{clock};

    void twoAccounts() { model.update(obj(R"({"accounts":[{"id":"a","unreadCount":2},{"id":"b","unreadCount":5}]})")); }
    const std::vector<TrayMessage>& list(const std::string& account) { return model.messagesByAccount().at(account); }
};

} // namespace

TEST(TrayValues, AccountsAndMessagesReadLeniently)
{
    const TrayAccount defaults = TrayAccount::fromParams({});
    EXPECT_EQ(defaults, (TrayAccount{"", "Unknown", "#3b82f6", 0, "", false}));
    EXPECT_EQ(TrayAccount::fromParams(obj(R"({"id":"a","name":"Work","color":"#ff0000","unreadCount":3,"email":"w@x","needsAuth":true})")),
              (TrayAccount{"a", "Work", "#ff0000", 3, "w@x", true}));
    EXPECT_EQ(TrayAccount::fromParams(obj(R"({"id":1,"name":null,"unreadCount":3.0,"needsAuth":"true"})")), defaults)
        << "kinds are exact: 3.0 is no integer, \"true\" no boolean";

    const TrayMessage a = TrayMessage::fromParams({});
    const TrayMessage b = TrayMessage::fromParams(obj(R"({"id":7})"));
    const std::regex upperUuid("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$");
    EXPECT_TRUE(std::regex_match(a.id, upperUuid)) << a.id;
    EXPECT_TRUE(std::regex_match(b.id, upperUuid)) << b.id;
    EXPECT_NE(a.id, b.id) << "every missing id gets its own";
    EXPECT_EQ(a.subject, "(no subject)");
    EXPECT_EQ(a.category, MailCategory::primary);
    EXPECT_FALSE(a.isUnread);

    struct Case {
        const char* json;
        bool unread;
        MailCategory category;
    };
    const Case cases[] = {
        {R"({"labelIds":["INBOX","UNREAD"],"category":"SOCIAL"})", true, MailCategory::social},
        {R"({"labelIds":["unread"],"category":"bogus"})", false, MailCategory::primary},
        {R"({"labelIds":["UNREAD",5],"category":5})", false, MailCategory::primary},
        {R"({"labelIds":"UNREAD","category":"Forums"})", false, MailCategory::forums},
        {R"({"labelIds":[],"category":"updates"})", false, MailCategory::updates},
    };
    for (const Case& c : cases) {
        const TrayMessage m = TrayMessage::fromParams(obj(c.json));
        EXPECT_EQ(m.isUnread, c.unread) << c.json;
        EXPECT_EQ(m.category, c.category) << c.json;
    }
}

TEST(TrayValues, SortKeyNeedsTheWholeTextToBeANumber)
{
    const std::pair<const char*, double> cases[] = {
        {"", 0},        {"junk", 0},     {" 123", 0},  {"123 ", 0},      {"12abc", 0},
        {"nan", 0},     {"123", 123},    {"-5", -5},   {"1.5e3", 1500},  {"1700000000123", 1700000000123.0},
    };
    for (const auto& [text, key] : cases)
        EXPECT_EQ(message("x", text).sortKey(), key) << '"' << text << '"';
    EXPECT_EQ(message("x", std::string("12\0" "3", 4)).sortKey(), 0) << "an embedded NUL ends no number";
}

TEST(TrayValues, SenderNameTakesTheDisplayName)
{
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"\"Doe, Jane\" <jane@example.com>", "Doe, Jane"},
        {"Jane Doe <jane@example.com>", "Jane Doe"},
        {"Jane Doe<jane@example.com>", "Jane Doe"},
        {"\"Jane\"   <jane@example.com>", "Jane"},
        {"jane@example.com", "jane@example.com"},
        {"<jane@example.com>", "<jane@example.com>"},
        {"\"\" <jane@example.com>", "\"\" <jane@example.com>"},
        {"  \tJane \t<j@x>", "Jane"},
        {"Jane \"Q\" <j@x>", "Jane \"Q\" <j@x>"},
        {"Jane\n<j@x>", "Jane\n"},
        {"\"Jane <j@x>", "Jane"},
    };
    for (const auto& [from, name] : cases) {
        TrayMessage m;
        m.from = from;
        EXPECT_EQ(m.senderName(), name) << from;
    }
    TrayMessage huge;
    huge.from = std::string(1 << 20, 'x') + " <a@b>";
    EXPECT_EQ(huge.senderName().size(), std::size_t(1) << 20) << "a long header is handled without recursion";
}

TEST(TrayValues, FormattedTimeShowsTodayAsClockTimeElseDayAndMonth)
{
    const QTimeZone utc = QTimeZone::utc();
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const double now = 1709681400.0; // 2024-03-05 23:30 UTC
    EXPECT_EQ(message("x", "1709629500000").formattedTime(now, utc, english), "09:05");
    EXPECT_EQ(message("x", "1709596800000").formattedTime(now, utc, english), "00:00") << "midnight is today";
    EXPECT_EQ(message("x", "1709596740000").formattedTime(now, utc, english), "4 Mar") << "a minute before is not";
    EXPECT_EQ(message("x", "1704110400000.5").formattedTime(now, utc, english), "1 Jan") << "no leading zero";
    EXPECT_EQ(message("x", "1709629500000").formattedTime(now, QTimeZone(-10 * 3600), english), "4 Mar")
        << "09:05 UTC is still yesterday ten hours west, where it is 13:30 now";
    EXPECT_EQ(message("x", "1709596740000").formattedTime(now, QTimeZone(20 * 60), english), "00:19")
        << "23:59 UTC the day before is today twenty minutes east";
    EXPECT_EQ(message("x", "1709596740000").formattedTime(now, utc, QLocale(QLocale::German)), "4 M\u00e4rz")
        << "month names follow the locale";
    for (const char* bad : {"", "soon", "1e300", "-1e300", "inf"})
        EXPECT_EQ(message("x", bad).formattedTime(now, utc, english), "") << bad;
}

TEST(TrayValues, VerificationCodesNeedTheirRequiredFields)
{
    const double now = 1000.0;
    const auto full = TrayVerificationCode::fromParams(
        obj(R"({"code":"123456","service":"Bank","subject":"s","from":"f","messageId":"m","threadId":"t","accountId":"a","receivedAt":5000})"),
        now);
    ASSERT_TRUE(full);
    EXPECT_EQ(*full, (TrayVerificationCode{"123456", "Bank", "s", "f", "m", "t", "a", 5.0}));
    EXPECT_EQ(TrayVerificationCode::fromParams(obj(R"({"code":"1","messageId":"m","threadId":"t","accountId":"a","receivedAt":1500.5})"), now)
                  ->receivedAt,
              1.5005);
    const auto stamped = TrayVerificationCode::fromParams(
        obj(R"({"code":"1","messageId":"m","threadId":"t","accountId":"a","service":7,"receivedAt":"1"})"), now);
    EXPECT_EQ(stamped->receivedAt, now);
    EXPECT_FALSE(stamped->service);
    for (const char* bad : {R"({})", R"({"code":"","messageId":"m","threadId":"t","accountId":"a"})",
                            R"({"code":5,"messageId":"m","threadId":"t","accountId":"a"})",
                            R"({"code":"1","threadId":"t","accountId":"a"})", R"({"code":"1","messageId":"m","accountId":"a"})",
                            R"({"code":"1","messageId":"m","threadId":"t","accountId":null})"})
        EXPECT_FALSE(TrayVerificationCode::fromParams(obj(bad), now)) << bad;
}

TEST_F(TrayModelTest, UpdateAppliesOnlyWellShapedKeys)
{
    model.update(obj(R"({"totalUnread":7,"unreadDisplay":"dots","showUnreadOnly":true,"isOffline":true,"isRestricted":true,)"
                     R"("menuBarVerificationCodes":false,"verificationCodeDurationMinutes":30})"));
    EXPECT_EQ(model.totalUnread(), 7);
    EXPECT_EQ(model.unreadDisplay(), MenuBarUnreadDisplay::dots);
    EXPECT_TRUE(model.showUnreadOnly());
    EXPECT_TRUE(model.isOffline());
    EXPECT_TRUE(model.isRestricted());
    EXPECT_FALSE(model.menuBarVerificationCodes());
    EXPECT_EQ(model.verificationCodeDurationMinutes(), 30);

    model.update(obj(R"({"totalUnread":8.0,"unreadDisplay":"Numbers","showUnreadOnly":1,"isOffline":null,)"
                     R"("isRestricted":"false","menuBarVerificationCodes":0,"verificationCodeDurationMinutes":"5"})"));
    EXPECT_EQ(model.totalUnread(), 7);
    EXPECT_EQ(model.unreadDisplay(), MenuBarUnreadDisplay::dots) << "only the exact three names switch the mode";
    EXPECT_TRUE(model.showUnreadOnly());
    EXPECT_TRUE(model.isOffline());
    EXPECT_TRUE(model.isRestricted());
    EXPECT_FALSE(model.menuBarVerificationCodes());
    EXPECT_EQ(model.verificationCodeDurationMinutes(), 30);
}

TEST_F(TrayModelTest, AccountListReplacementPrunesWhatLeft)
{
    twoAccounts();
    model.setMessages("a", {message("m1", "1")});
    model.setMessages("b", {message("m2", "2")});
    model.apply(TrayThreadAction::markRead, "b", "m2");
    model.setSelectedAccountId("b");

    model.update(obj(R"({"totalUnread":1})"));
    EXPECT_EQ(model.accounts().size(), 2u) << "no accounts key, nothing pruned";
    model.update(obj(R"({"accounts":[{"id":"a"},"b"]})"));
    EXPECT_EQ(model.accounts().size(), 2u) << "a list with a non-object is the wrong kind";
    EXPECT_EQ(model.selectedAccountId(), "b");

    model.update(obj(R"({"accounts":[{"id":"a","name":"Work"}]})"));
    ASSERT_EQ(model.accounts().size(), 1u);
    EXPECT_EQ(model.accounts()[0].name, "Work");
    EXPECT_EQ(model.messagesByAccount().count("b"), 0u);
    EXPECT_EQ(model.messagesByAccount().count("a"), 1u);
    EXPECT_TRUE(model.localMarks("b").empty());
    EXPECT_FALSE(model.selectedAccountId()) << "the selected account left";

    model.update(obj(R"({"accounts":[]})"));
    EXPECT_TRUE(model.accounts().empty());
    EXPECT_TRUE(model.messagesByAccount().empty());
}

TEST_F(TrayModelTest, VerificationCodeFromUpdatesAndRequests)
{
    const char* code = R"({"code":"42","messageId":"m","threadId":"t","accountId":"a"})";
    model.update(obj(std::string(R"({"verificationCode":)") + code + "}"));
    ASSERT_TRUE(model.currentVerificationCode());
    EXPECT_EQ(model.currentVerificationCode()->receivedAt, clock.now()) << "stamped with the current time";

    model.update(obj(R"({"totalUnread":1})"));
    EXPECT_TRUE(model.currentVerificationCode()) << "an absent key leaves the code";
    model.update(obj(R"({"verificationCode":null})"));
    EXPECT_FALSE(model.currentVerificationCode()) << "null clears";

    model.updateVerificationCode(&(const Object&)obj(code));
    EXPECT_TRUE(model.currentVerificationCode());
    model.update(obj(R"({"verificationCode":{"code":"","messageId":"m","threadId":"t","accountId":"a"}})"));
    EXPECT_FALSE(model.currentVerificationCode()) << "an empty code clears";

    model.updateVerificationCode(&(const Object&)obj(code));
    const Object empty;
    model.updateVerificationCode(&empty);
    EXPECT_FALSE(model.currentVerificationCode());
    model.updateVerificationCode(&(const Object&)obj(code));
    model.updateVerificationCode(nullptr);
    EXPECT_FALSE(model.currentVerificationCode()) << "no params object clears";
}

TEST_F(TrayModelTest, CodesExpireAfterTheirDurationInclusive)
{
    model.update(obj(R"({"verificationCode":{"code":"1","messageId":"m","threadId":"t","accountId":"a"}})"));
    clock.advance(15 * 60);
    EXPECT_TRUE(model.activeVerificationCode()) << "exactly 15 minutes is still active";
    clock.advance(1);
    EXPECT_FALSE(model.activeVerificationCode());
    EXPECT_TRUE(model.currentVerificationCode()) << "expiry clears nothing";
    model.update(obj(R"({"verificationCodeDurationMinutes":30})"));
    EXPECT_TRUE(model.activeVerificationCode());
    model.update(obj(R"({"menuBarVerificationCodes":false})"));
    EXPECT_FALSE(model.activeVerificationCode());

    model.update(obj(R"({"menuBarVerificationCodes":true,"verificationCodeDurationMinutes":9223372036854775807,)"
                     R"("verificationCode":{"code":"1","messageId":"m","threadId":"t","accountId":"a","receivedAt":1e18}})"));
    EXPECT_TRUE(model.activeVerificationCode()) << "a code from the future is active; a huge duration does not overflow";
    model.update(obj(R"({"verificationCodeDurationMinutes":-1})"));
    EXPECT_TRUE(model.activeVerificationCode());
    model.update(obj(R"({"verificationCode":{"code":"1","messageId":"m","threadId":"t","accountId":"a","receivedAt":0}})"));
    EXPECT_FALSE(model.activeVerificationCode());
}

TEST_F(TrayModelTest, MessageListsKeepTheNewestTwentyStably)
{
    std::vector<TrayMessage> incoming;
    incoming.push_back(message("junk1", "soon"));
    for (int i = 0; i < 22; ++i)
        incoming.push_back(message("m" + std::to_string(i), std::to_string(1000 + i)));
    incoming.push_back(message("empty", ""));
    incoming.push_back(message("tie", "1021"));
    model.setIsRefreshing(true);
    model.setMessages("a", incoming);
    EXPECT_FALSE(model.isRefreshing());

    const auto kept = ids(list("a"));
    ASSERT_EQ(kept.size(), 20u);
    EXPECT_EQ(kept[0], "m21");
    EXPECT_EQ(kept[1], "tie") << "equal keys keep their incoming order";
    EXPECT_EQ(kept[2], "m20");
    EXPECT_EQ(kept[19], "m3");

    model.setMessages("a", {message("x", ""), message("y", "abc"), message("z", "5")});
    EXPECT_EQ(ids(list("a")), (std::vector<std::string>{"z", "x", "y"})) << "non-numeric dates sort last, in order";
    model.setMessages("a", {});
    EXPECT_TRUE(list("a").empty()) << "an empty list is stored";
    model.setMessages("ghost", {message("g", "1")});
    EXPECT_EQ(list("ghost").size(), 1u) << "lists for unknown accounts are kept until the next account list";
}

TEST_F(TrayModelTest, ReadMarksOverrideStaleListsForThirtySeconds)
{
    twoAccounts();
    model.setMessages("a", {message("m", "1", true), message("n", "2", true)});
    model.apply(TrayThreadAction::markRead, "a", "m");
    EXPECT_FALSE(list("a")[1].isUnread) << "applied at once";

    clock.advance(29.9);
    model.setMessages("a", {message("m", "1", true), message("n", "2", true)});
    EXPECT_FALSE(list("a")[1].isUnread) << "a stale list does not undo the mark";
    EXPECT_EQ(model.localMarks("a"), std::vector<std::string>{"m"});

    clock.advance(0.1);
    model.setMessages("a", {message("m", "1", true)});
    EXPECT_TRUE(list("a")[0].isUnread) << "after 30 seconds exactly the list wins";
    EXPECT_TRUE(model.localMarks("a").empty());

    model.apply(TrayThreadAction::markUnread, "a", "m");
    model.apply(TrayThreadAction::markRead, "a", "m");
    model.setMessages("a", {message("m", "1", false)});
    EXPECT_TRUE(model.localMarks("a").empty()) << "a list that agrees ends the mark at once";
    model.setMessages("a", {message("m", "1", true)});
    EXPECT_TRUE(list("a")[0].isUnread);
}

TEST_F(TrayModelTest, RemovalMarksHideMessagesUntilConfirmed)
{
    twoAccounts();
    model.setMessages("a", {message("m", "1"), message("n", "2")});
    model.apply(TrayThreadAction::archive, "a", "m");
    EXPECT_EQ(ids(list("a")), std::vector<std::string>{"n"});

    clock.advance(10);
    model.setMessages("a", {message("m", "1"), message("n", "2")});
    EXPECT_EQ(ids(list("a")), std::vector<std::string>{"n"}) << "still hidden within the grace period";
    model.setMessages("a", {message("n", "2")});
    EXPECT_TRUE(model.localMarks("a").empty()) << "a list without it confirms the removal";

    model.setMessages("a", {message("m", "1"), message("n", "2")});
    model.apply(TrayThreadAction::trash, "a", "m");
    clock.advance(30);
    model.setMessages("a", {message("m", "1"), message("n", "2")});
    EXPECT_EQ(ids(list("a")), (std::vector<std::string>{"n", "m"})) << "shown again after the grace period";

    model.setMessages("a", {message("m", "1"), message("m", "1", false)});
    model.apply(TrayThreadAction::markRead, "a", "m");
    model.setMessages("a", {message("m", "1", true), message("m", "1", false)});
    EXPECT_EQ(model.localMarks("a"), std::vector<std::string>{"m"}) << "the first of two equal ids decides";
}

TEST_F(TrayModelTest, ApplyNeedsAKnownMessageAndClearsAMatchingCode)
{
    twoAccounts();
    model.apply(TrayThreadAction::archive, "a", "m");
    EXPECT_TRUE(model.localMarks("a").empty()) << "no list, nothing recorded";
    model.setMessages("a", {message("m", "1")});
    model.apply(TrayThreadAction::archive, "a", "other");
    EXPECT_TRUE(model.localMarks("a").empty()) << "unknown message, nothing recorded";
    EXPECT_EQ(list("a").size(), 1u);

    for (const char* field : {"messageId", "threadId"}) {
        clock.advance(TrayModel::localStateGrace); // the previous round's removals have lapsed
        model.setMessages("a", {message("m", "1"), message("k", "2")});
        Object code = obj(R"({"code":"1","messageId":"x","threadId":"x","accountId":"a"})");
        code[field] = Value("m");
        model.updateVerificationCode(&code);
        ASSERT_TRUE(model.currentVerificationCode());
        model.apply(TrayThreadAction::markRead, "a", "m");
        EXPECT_TRUE(model.currentVerificationCode()) << "only removal clears the code";
        model.apply(TrayThreadAction::archive, "a", "k");
        EXPECT_TRUE(model.currentVerificationCode());
        model.apply(TrayThreadAction::trash, "a", "m");
        EXPECT_FALSE(model.currentVerificationCode()) << field;
    }
}

TEST_F(TrayModelTest, VisibleMessagesFollowScopeAndUnreadFilter)
{
    model.update(obj(R"({"accounts":[{"id":"a","unreadCount":2},{"id":"b","unreadCount":5},{"id":"c","unreadCount":1}]})"));
    model.setMessages("a", {message("a1", "30", false), message("a2", "10")});
    model.setMessages("b", {message("b1", "20"), message("b2", "10", false)});
    model.setMessages("stray", {message("s", "99")});

    auto visible = model.visibleMessages();
    std::vector<std::string> order;
    for (const auto& v : visible)
        order.push_back(v.account.id + ":" + v.message.id);
    EXPECT_EQ(order, (std::vector<std::string>{"a:a1", "b:b1", "a:a2", "b:b2"})) << "ties keep account order";
    EXPECT_EQ(model.visibleUnreadCount(), 8);

    model.setShowUnreadOnly(true);
    model.setSelectedAccountId("b");
    visible = model.visibleMessages();
    ASSERT_EQ(visible.size(), 1u);
    EXPECT_EQ(visible[0].message.id, "b1");
    EXPECT_EQ(model.visibleUnreadCount(), 5) << "the account's count, not the listed messages";
    model.setSelectedAccountId("c");
    EXPECT_TRUE(model.visibleMessages().empty());
    EXPECT_EQ(model.visibleUnreadCount(), 1) << "counts even without a listed unread message";
    model.setSelectedAccountId("gone");
    EXPECT_EQ(model.visibleUnreadCount(), 0);

    model.setSelectedAccountId(std::nullopt);
    model.update(obj(R"({"accounts":[{"id":"a","unreadCount":9223372036854775807},{"id":"b","unreadCount":5}]})"));
    EXPECT_EQ(model.visibleUnreadCount(), std::numeric_limits<std::int64_t>::max()) << "saturates";
}

TEST_F(TrayModelTest, ObserversHearEveryAssignment)
{
    QSignalSpy spy(&model, &TrayModel::changed);
    model.update(obj(R"({"isOffline":true,"unreadDisplay":"bogus"})"));
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).value<TrayModel::Field>(), TrayModel::Field::isOffline);
    spy.clear();
    model.setMessages("a", {});
    std::vector<TrayModel::Field> fields;
    for (const auto& args : spy)
        fields.push_back(args.at(0).value<TrayModel::Field>());
    EXPECT_EQ(fields, (std::vector<TrayModel::Field>{TrayModel::Field::isRefreshing, TrayModel::Field::messagesByAccount}));
}
