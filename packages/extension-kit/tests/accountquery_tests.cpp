#include <gtest/gtest.h>

#include "tarnwick/extensionkit/accountquery.h"
#include "tarnwick/extensionkit/appintentslogger.h"
#include "tarnwick/platform/fakesystempaths.h"
#include "tarnwick/testing/tempdir.h"

using namespace tarnwick;
namespace tt = tarnwick::testing;

namespace {

class NullSystemLog final : public SystemLog {
public:
    void write(Level, std::string_view, std::string_view) override {}
};

struct AccountQueryTest : ::testing::Test {
    tt::TempDir dir;
    FakeSystemPaths paths;
    NullSystemLog systemLog;
    std::unique_ptr<ExtensionLogger> logger;

    AccountQueryTest()
    {
        paths.groupId = "G";
        paths.containerRoot = dir / "containers";
        paths.realHome = dir / "home";
        logger = std::make_unique<ExtensionLogger>(AppIntentsLogger::config(), paths, systemLog);
    }
    void writeGroupFile(const std::string& text) { dir.write("containers/G/accounts.json", text); }
    void writeHomeFile(const std::string& text)
    {
        dir.write("home/Library/Application Support/Tarnwick/accounts.json", text);
    }
    std::string logText()
    {
        logger->flush();
        return tt::readFile(dir / "containers" / "G" / "logs" / "app-intents-extension.log");
    }
};

std::vector<std::string> idsOf(const std::vector<AccountEntity>& accounts)
{
    std::vector<std::string> ids;
    for (const auto& a : accounts)
        ids.push_back(a.id);
    return ids;
}

} // namespace

TEST(AccountQueryDecode, Table)
{
    using Accounts = std::vector<AccountEntity>;
    struct Row {
        const char* name;
        const char* text;
        std::optional<Accounts> expected;
    };
    const Row rows[] = {
        {"empty", "", std::nullopt},
        {"junk", "[{", std::nullopt},
        {"object top level", R"({"id":"a","name":"A"})", std::nullopt},
        {"array with a non-object", R"([{"id":"a","name":"A"}, 3])", std::nullopt},
        {"empty array", "[]", Accounts{}},
        {"numeric id skipped", R"([{"id":7,"name":"Seven"},{"id":"b","name":"B","color":"#112233"}])",
         Accounts{{"b", "B", "#112233"}}},
        {"missing name skipped", R"([{"id":"a"}])", Accounts{}},
        {"no or wrong colour gives empty text", R"([{"id":"a","name":"A"},{"id":"b","name":"B","color":5}])",
         Accounts{{"a", "A", ""}, {"b", "B", ""}}},
        {"other keys ignored, order kept", R"([{"id":"z","name":"Z","unread":4},{"id":"a","name":"A"}])",
         Accounts{{"z", "Z", ""}, {"a", "A", ""}}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(AccountQuery::decode(row.text), row.expected) << row.name;
}

TEST_F(AccountQueryTest, AnEmptyGroupFileFallsThroughToTheHomeFile)
{
    writeGroupFile("[]");
    writeHomeFile(R"([{"id":"h1","name":"Home one"},{"id":"h2","name":"Home two"}])");
    AccountQuery query(*logger, paths);
    EXPECT_EQ(idsOf(query.loadAccounts()), (std::vector<std::string>{"h1", "h2"}));
    EXPECT_NE(logText().find("(AppIntents) loadAccounts: loaded 2 account(s)"), std::string::npos);
}

TEST_F(AccountQueryTest, TheGroupFileWinsWhenItHasAccounts)
{
    writeGroupFile(R"([{"id":"g","name":"Group"}])");
    writeHomeFile(R"([{"id":"h","name":"Home"}])");
    EXPECT_EQ(idsOf(AccountQuery(*logger, paths).loadAccounts()), std::vector<std::string>{"g"});
}

TEST_F(AccountQueryTest, NoUsableFileGivesTheDefaultPersonalAccount)
{
    writeGroupFile("not json");
    writeHomeFile(R"([{"id":1,"name":"bad"}])");
    AccountQuery query(*logger, paths);
    EXPECT_EQ(query.loadAccounts(), (std::vector<AccountEntity>{{"account_personal", "Personal", "#a855f7"}}));
    // The log says why: a file that is there is not "not found".
    EXPECT_NE(logText().find("loadAccounts: accounts.json is not a list of accounts, falling back to default "
                             "Personal account"),
              std::string::npos)
        << logText();
    EXPECT_EQ(logText().find("accounts.json not found"), std::string::npos);

    // The logger's thread reads the paths too: they change only while it has nothing to write.
    paths.realHome.reset();
    paths.containerRoot.reset();
    EXPECT_EQ(query.allEntities(), std::vector<AccountEntity>{AccountQuery::defaultAccount()});
    logger->flush();
}

TEST_F(AccountQueryTest, EntitiesKeepLoadedOrderAndDropUnknownIds)
{
    writeGroupFile(R"([{"id":"a","name":"A"},{"id":"b","name":"B"},{"id":"c","name":"C"}])");
    AccountQuery query(*logger, paths);
    EXPECT_EQ(idsOf(query.entities({"b", "a"})), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(idsOf(query.entities({"zzz", "c"})), std::vector<std::string>{"c"});
    EXPECT_TRUE(query.entities({}).empty());
    // Every query reads the file again.
    writeGroupFile(R"([{"id":"n","name":"New"}])");
    EXPECT_EQ(idsOf(query.suggestedEntities()), std::vector<std::string>{"n"});
}
