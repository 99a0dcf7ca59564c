// Accounts and labels JSON as the main application sends it: whole-text rejection, member-by-member
// leniency, field defaults, and label formatting.
#include <gtest/gtest.h>

#include "tarnwick/native/hexcolor.h"
#include "tarnwick/native/toolbarlabels.h"
#include "tarnwick/native/toolbarmodel.h"

using namespace tarnwick::native;

namespace {

ToolbarModel seeded()
{
    ToolbarModel model;
    model.update(R"({"accounts":[{"id":"a","name":"Home"},{"id":"b","name":"Work"}],"activeAccountId":"a"})");
    return model;
}

std::vector<std::string> ids(const ToolbarModel& model)
{
    std::vector<std::string> out;
    for (const auto& account : model.accounts)
        out.push_back(account.id);
    return out;
}

} // namespace

TEST(AccountsJson, TextsRejectedAsAWholeChangeNothing)
{
    const char* rejected[] = {"", "null", "junk", "[1,2]", "\"text\"", "42", "{\"accounts\":", "{\"a\":1}}"};
    for (const char* text : rejected) {
        ToolbarModel model = seeded();
        EXPECT_FALSE(model.update(text)) << text;
        EXPECT_EQ(ids(model), (std::vector<std::string>{"a", "b"})) << text;
        EXPECT_EQ(model.activeAccountId, "a") << text;
    }
}

TEST(AccountsJson, MembersAreTakenOnlyWhenOfTheRightKind)
{
    struct Row {
        const char* json;
        std::vector<std::string> ids;
        std::string active;
    } rows[] = {
        {"{}", {"a", "b"}, "a"},
        {R"({"accounts":null})", {"a", "b"}, "a"},
        {R"({"accounts":{"id":"x"}})", {"a", "b"}, "a"},
        {R"({"accounts":[{"id":"x"},3]})", {"a", "b"}, "a"},
        {R"({"accounts":[{"id":"x"},null]})", {"a", "b"}, "a"},
        {R"({"accounts":[]})", {}, "a"},
        {R"({"activeAccountId":7})", {"a", "b"}, "a"},
        {R"({"activeAccountId":"b"})", {"a", "b"}, "b"},
        {R"({"activeAccountId":""})", {"a", "b"}, ""},
        {R"({"accounts":[{"id":"z"},{"id":"y"},{}],"activeAccountId":"y"})", {"z", "y", ""}, "y"},
        {R"({"accounts":"x","activeAccountId":"b"})", {"a", "b"}, "b"},
    };
    for (const Row& row : rows) {
        ToolbarModel model = seeded();
        EXPECT_TRUE(model.update(row.json)) << row.json;
        EXPECT_EQ(ids(model), row.ids) << row.json;
        EXPECT_EQ(model.activeAccountId, row.active) << row.json;
    }
}

TEST(AccountsJson, EachFieldFallsBackToItsDefaultOnItsOwn)
{
    ToolbarModel model;
    ASSERT_TRUE(model.update(R"({"accounts":[
        {"id":"full","name":"Work","color":"#112233","unreadCount":5,"excludedByFocus":true,"disabledByFocus":true,"needsAuth":true},
        {"id":7,"name":null,"color":12,"unreadCount":"5","excludedByFocus":1,"disabledByFocus":"true","needsAuth":0},
        {"unreadCount":3.0},
        {"unreadCount":2.5},
        {"unreadCount":true},
        {"unreadCount":-4},
        {"unreadCount":1e300}
    ]})"));
    ASSERT_EQ(model.accounts.size(), 7u);
    const ToolbarAccount& full = model.accounts[0];
    EXPECT_EQ(full.id, "full");
    EXPECT_EQ(full.name, "Work");
    EXPECT_EQ(full.color, "#112233");
    EXPECT_EQ(full.unreadCount, 5);
    EXPECT_TRUE(full.excludedByFocus);
    EXPECT_TRUE(full.disabledByFocus);
    EXPECT_TRUE(full.needsAuth);
    EXPECT_EQ(model.accounts[1], ToolbarAccount{}) << "every wrongly typed member takes its default";
    EXPECT_EQ(model.accounts[1].color, "#a855f7");
    EXPECT_EQ(model.accounts[2].unreadCount, 3) << "an integral double is a count";
    EXPECT_EQ(model.accounts[3].unreadCount, 0) << "a fraction is missing";
    EXPECT_EQ(model.accounts[4].unreadCount, 0) << "a boolean is not a number";
    EXPECT_EQ(model.accounts[5].unreadCount, -4);
    EXPECT_EQ(model.accounts[6].unreadCount, 0) << "out of range";
}

TEST(LabelsJson, OnlyAnObjectOfStringsReplacesTheLabels)
{
    const char* rejected[] = {
        "", "junk", "[]", "{}", R"({"labels":null})", R"({"labels":["a"]})", R"({"labels":"x"})",
        R"({"labels":{"toolbar.reply":"Reply","toolbar.count":3}})",
        R"({"labels":{"toolbar.reply":null}})",
    };
    for (const char* text : rejected)
        EXPECT_FALSE(ToolbarLabels::fromJson(text).has_value()) << text;

    const auto labels = ToolbarLabels::fromJson(R"({"labels":{"toolbar.reply":"Antworten","toolbar.search":""},"extra":1})");
    ASSERT_TRUE(labels.has_value());
    EXPECT_EQ((*labels)["toolbar.reply"], "Antworten");
    EXPECT_EQ((*labels)["toolbar.search"], "");
    EXPECT_EQ((*labels)["toolbar.forward"], "") << "no fallback text";
    EXPECT_EQ(ToolbarLabels::fromJson(R"({"labels":{}})")->values().size(), 0u);
}

TEST(LabelsFormat, PlaceholdersAreFilledOnceAndUnknownOnesStay)
{
    const ToolbarLabels labels({{"both", "{name} ({count})"},
                                {"twice", "{name}/{name}"},
                                {"braces", "{{name}} {name"},
                                {"unread", "{name}: {count} unread{shortcut}"}});
    struct Row {
        const char* key;
        ToolbarLabels::Placeholders values;
        std::string expected;
    } rows[] = {
        {"missing", {{"name", "x"}}, ""},
        {"both", {{"name", "Work"}}, "Work ({count})"},
        {"both", {}, "{name} ({count})"},
        {"twice", {{"name", "A"}}, "A/A"},
        {"braces", {{"name", "A"}}, "{A} {name"},
        {"both", {{"name", "{count}"}, {"count", "3"}}, "{count} (3)"},
        {"unread", {{"name", "Work"}, {"count", "150"}, {"shortcut", " (Ctrl+2)"}}, "Work: 150 unread (Ctrl+2)"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(labels.format(row.key, row.values), row.expected) << row.key;
}

TEST(HexColorText, ScansLikeTheMainApplicationsColours)
{
    struct Row {
        const char* text;
        int r, g, b;
    } rows[] = {
        {"", 0, 0, 0},
        {"#", 0, 0, 0},
        {"zz", 0, 0, 0},
        {"#a855f7", 0xa8, 0x55, 0xf7},
        {"a855f7", 0xa8, 0x55, 0xf7},
        {"#a855f7#", 0xa8, 0x55, 0xf7},
        {"##A855F7##", 0xa8, 0x55, 0xf7},
        {"#abc", 0x00, 0x0a, 0xbc},
        {"0xff0000", 0xff, 0x00, 0x00},
        {" 00ff00", 0x00, 0xff, 0x00},
        {"12ff34zz", 0x12, 0xff, 0x34},
        {"#1a2b3c4d", 0x2b, 0x3c, 0x4d},
        {"ffffffffffffffffffff", 0xff, 0xff, 0xff},
    };
    for (const Row& row : rows) {
        const QColor c = HexColor::color(row.text);
        EXPECT_EQ(c.red(), row.r) << row.text;
        EXPECT_EQ(c.green(), row.g) << row.text;
        EXPECT_EQ(c.blue(), row.b) << row.text;
        EXPECT_EQ(c.alpha(), 255) << row.text;
    }
}
