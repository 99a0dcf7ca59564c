// The Accounts tab's actions and the events they send, without any view.

#include <gtest/gtest.h>

#include "tarnwick/ui/accountsactions.h"
#include "uitestsupport.h"

using namespace tarnwick;
using namespace tarnwick::test;

namespace {

class AccountsActionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        model.setAccountsJson(R"([
            {"id":"a","name":"Work","color":"#3b82f6","email":"w@x.org"},
            {"name":"no id","color":"#000000"},
            {"id":"b","name":"Home","color":"#22c55e","needsAuth":true},
            {"id":"c","name":7,"needsAuth":"yes"}])");
    }

    std::vector<std::string> names() const
    {
        std::vector<std::string> out;
        for (const Object& account : model.accounts())
            out.push_back(account.count("name") && account.at("name").string() ? *account.at("name").string() : "?");
        return out;
    }

    FakeAccountListModel model;
    AccountsActions actions{model};
};

} // namespace

TEST_F(AccountsActionsTest, ListsStringIdsAndReadsFieldsOnlyOfTheirKind)
{
    EXPECT_EQ(actions.listedIds(), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(actions.value("a", "name"), "Work");
    EXPECT_EQ(actions.value("c", "name"), std::nullopt) << "a number is not a name";
    EXPECT_EQ(actions.value("zz", "name"), std::nullopt);
    EXPECT_TRUE(actions.boolValue("b", "needsAuth"));
    EXPECT_FALSE(actions.boolValue("c", "needsAuth")) << "a string is not a boolean";
    EXPECT_FALSE(actions.boolValue("zz", "needsAuth"));

    actions.selectFirstIfNone();
    EXPECT_EQ(actions.selectedId(), "a");
    actions.select("b");
    actions.selectFirstIfNone();
    EXPECT_EQ(actions.selectedId(), "b") << "an existing selection stays";
}

TEST_F(AccountsActionsTest, AddPicksTheFirstUnusedPaletteColour)
{
    struct Row {
        const char* accounts;
        const char* color;
    };
    const Row rows[] = {
        {R"([])", "#3b82f6"},
        {R"([{"id":"a","color":"#3b82f6"},{"id":"b","color":"#22c55e"}])", "#a855f7"},
        {R"([{"id":"a","color":"#3B82F6"}])", "#3b82f6"}, // compared as exact strings
        {R"([{"id":"1","color":"#3b82f6"},{"id":"2","color":"#a855f7"},{"id":"3","color":"#22c55e"},
             {"id":"4","color":"#f97316"},{"id":"5","color":"#ef4444"},{"id":"6","color":"#eab308"},
             {"id":"7","color":"#f472b6"},{"id":"8","color":"#78716c"}])",
         "#3b82f6"},
    };
    for (const Row& row : rows) {
        model.setAccountsJson(row.accounts);
        model.take();
        actions.add();
        EXPECT_EQ(model.take(),
                  std::vector<std::string>{std::string(R"({"method":"account.add","params":{"color":")") + row.color +
                                           R"(","name":"New Account"}})"})
            << row.accounts;
    }
    EXPECT_EQ(model.accounts().size(), 8u) << "adding does not change the local list";
}

TEST_F(AccountsActionsTest, UpdateChangesTheLocalCopyAndReportsIt)
{
    actions.update("a", "Office", "#ef4444");
    EXPECT_EQ(model.take(), std::vector<std::string>{
                                R"({"method":"account.update","params":{"accountId":"a","color":"#ef4444","name":"Office"}})"});
    EXPECT_EQ(actions.value("a", "name"), "Office");
    EXPECT_EQ(actions.value("a", "color"), "#ef4444");
    EXPECT_EQ(actions.value("a", "email"), "w@x.org") << "other fields are kept";

    actions.update("b", "Home", "#22c55e", std::string("_auto"));
    EXPECT_EQ(model.take(), std::vector<std::string>{R"({"method":"account.update","params":{"accountId":"b",)"
                                                     R"("browserProfile":"_auto","color":"#22c55e","name":"Home"}})"});
    EXPECT_EQ(actions.value("b", "browserProfile"), "_auto");

    actions.update("", "X", "#000000");
    actions.update("gone", "X", "#000000");
    EXPECT_TRUE(model.take().empty()) << "empty and unknown ids do nothing";

    // A profile choice needs a name and a colour; account c has neither as strings.
    actions.chooseProfile("c", "Default");
    EXPECT_TRUE(model.take().empty());
    actions.chooseProfile("a", "_none");
    EXPECT_EQ(model.take(), std::vector<std::string>{R"({"method":"account.update","params":{"accountId":"a",)"
                                                     R"("browserProfile":"_none","color":"#ef4444","name":"Office"}})"});
}

TEST_F(AccountsActionsTest, RemoveNeverTakesTheLastAccountAndClearsTheSelection)
{
    actions.select("b");
    actions.remove("b");
    EXPECT_EQ(model.take(), std::vector<std::string>{R"({"method":"account.remove","params":{"accountId":"b"}})"});
    EXPECT_EQ(actions.selectedId(), std::nullopt);
    EXPECT_EQ(actions.listedIds().size(), 3u) << "the main application sends the new list";

    actions.select("a");
    actions.remove("zz");
    EXPECT_EQ(model.take(), std::vector<std::string>{R"({"method":"account.remove","params":{"accountId":"zz"}})"})
        << "an id no longer listed is still reported";
    EXPECT_EQ(actions.selectedId(), "a");

    actions.remove("");
    model.setAccountsJson(R"([{"id":"only","name":"Only"}])");
    EXPECT_FALSE(actions.canRemove(std::string("only")));
    actions.remove("only");
    EXPECT_TRUE(model.take().empty());
}

TEST_F(AccountsActionsTest, MovingReordersListedAccountsAndKeepsUnlistedOnesInPlace)
{
    struct Row {
        std::set<int> from;
        int to;
        std::vector<std::string> ids;
    };
    const Row rows[] = {
        {{0}, 3, {"b", "c", "a"}},
        {{2}, 0, {"c", "a", "b"}},
        {{0, 2}, 2, {"b", "a", "c"}},
        {{1}, 1, {"a", "b", "c"}},
    };
    for (const Row& row : rows) {
        SetUp();
        model.take();
        actions.move(row.from, row.to);
        EXPECT_EQ(actions.listedIds(), row.ids);
        std::string expected = R"({"method":"account.reorder","params":{"accountIds":[")" + row.ids[0] + R"(",")" +
                               row.ids[1] + R"(",")" + row.ids[2] + R"("]}})";
        EXPECT_EQ(model.take(), std::vector<std::string>{expected});
        EXPECT_EQ(names()[1], "no id") << "the account without an id keeps its slot";
    }
    actions.reorder({"a", "b"});
    actions.reorder({"a", "b", "zz"});
    EXPECT_TRUE(model.take().empty()) << "an order that is not a permutation is refused";
}

// The sign-in and reset events and the prompt's text: accountstab_tests, through the row's buttons.
TEST_F(AccountsActionsTest, AnAccountWithoutANameGetsNoResetPrompt)
{
    EXPECT_EQ(actions.resetPrompt("c"), std::nullopt) << "no name, no alert";
}

TEST_F(AccountsActionsTest, WithoutATransportNothingIsReportedButLocalEditsHappen)
{
    model.disconnect();
    actions.add();
    actions.update("a", "Renamed", "#000000");
    actions.remove("a");
    actions.signIn("a");
    actions.resetSession("a");
    actions.move({0}, 3);
    EXPECT_TRUE(model.take().empty());
    EXPECT_EQ(actions.value("a", "name"), "Renamed");
    EXPECT_EQ(actions.listedIds(), (std::vector<std::string>{"b", "c", "a"}));
}
