#include <gtest/gtest.h>

#include <sstream>

#include "tarnwick/appintents/focusfiltertool.h"
#include "tarnwick/extensionkit/appintentslogger.h"
#include "tarnwick/extensionkit/focusfilterfile.h"
#include "tarnwick/platform/fakesystempaths.h"
#include "tarnwick/testing/tempdir.h"

using namespace tarnwick;
namespace fs = std::filesystem;
namespace tt = tarnwick::testing;

namespace {

class RecordingNotifier final : public FocusFilterNotifier {
public:
    std::optional<std::string> post() override
    {
        ++posts;
        return failure;
    }
    int posts = 0;
    std::optional<std::string> failure;
};

class RecordingSystemLog final : public SystemLog {
public:
    void write(Level, std::string_view, std::string_view message) override
    {
        std::lock_guard lock(mutex);
        messages.emplace_back(message);
    }
    std::mutex mutex;
    std::vector<std::string> messages;
};

struct FocusFilterTest : ::testing::Test {
    tt::TempDir dir;
    FakeSystemPaths paths;
    RecordingNotifier notifier;
    RecordingSystemLog systemLog;
    ExtensionLogger logger{AppIntentsLogger::config(), paths, systemLog};

    FocusFilterTest()
    {
        paths.realHome = dir / "home";
        fs::create_directories(legacyDir());
    }
    fs::path legacyDir() const { return dir / "home" / "Library" / "Application Support" / "Tarnwick"; }
    TarnwickFocusFilter::Environment env() { return {paths, notifier, logger}; }
    std::vector<std::string> logged()
    {
        logger.flush();
        std::lock_guard lock(systemLog.mutex);
        return systemLog.messages;
    }
};

AccountEntity account(const std::string& id, const std::string& name)
{
    return {id, name, "#3b82f6"};
}

} // namespace

TEST(FocusFilterDisplay, TitleAndSubtitle)
{
    struct Row {
        std::vector<AccountEntity> accounts;
        bool blocked;
        const char* title;
        const char* subtitle;
    };
    const Row rows[] = {
        {{}, false, "All Accounts", "Others silenced"},
        {{}, true, "All Accounts", "Others silenced and blocked"},
        {{account("w", "Work"), account("h", "Home")}, false, "Work, Home", "Others silenced"},
        {{account("h", "Home"), account("w", "Work")}, true, "Home, Work", "Others silenced and blocked"},
        {{account("x", "")}, false, "", "Others silenced"},
    };
    for (const auto& row : rows) {
        const TarnwickFocusFilter filter{row.accounts, row.blocked};
        EXPECT_EQ(filter.displayTitle(), row.title);
        EXPECT_EQ(filter.displaySubtitle(), row.subtitle);
    }
}

TEST_F(FocusFilterTest, FreshFilterHoldsEveryAccount)
{
    dir.write("home/Library/Application Support/Tarnwick/accounts.json",
              R"([{"id":"a","name":"A"},{"id":"b","name":"B"}])");
    AccountQuery query(logger, paths);
    const auto suggestions = TarnwickFocusFilter::suggestedFocusFilters(query);
    ASSERT_EQ(suggestions.size(), 1u);
    EXPECT_EQ(suggestions[0].accounts.size(), 2u);
    EXPECT_FALSE(suggestions[0].disableExcludedAccounts);
}

TEST_F(FocusFilterTest, PerformWritesTheFileThenPosts)
{
    const TarnwickFocusFilter filter{{account("b", "B"), account("a", "A")}, true};
    EXPECT_FALSE(filter.perform(env()));
    const auto read = FocusFilterFile::read(legacyDir() / "focus-filter.json");
    ASSERT_EQ(read.status, FocusFilterFile::ReadStatus::Loaded);
    EXPECT_EQ(read.state, (FocusFilterState{{"b", "a"}, true}));
    EXPECT_EQ(notifier.posts, 1);
    EXPECT_EQ(logged(), (std::vector<std::string>{
                            "perform: setting Focus Filter with 2 active account(s), disableExcluded: true",
                            "Successfully wrote focus-filter.json",
                            "Posted com.fenmoorlab.tarnwick.focusFilterChanged notification",
                        }));
}

// The group container preferred over the legacy folder: focusfiltertool_tests, with a grouped build.
TEST_F(FocusFilterTest, NoLocationIsStateWriteFailedAndNothingIsPosted)
{
    paths.realHome.reset();
    const auto failure = TarnwickFocusFilter{{account("a", "A")}, false}.perform(env());
    ASSERT_TRUE(failure);
    EXPECT_TRUE(std::holds_alternative<TarnwickFocusFilterError>(*failure));
    EXPECT_EQ(notifier.posts, 0);
    const auto lines = logged();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "getpwuid failed when resolving home directory");
}

TEST_F(FocusFilterTest, AWriteFailureIsReturnedAndNothingIsPosted)
{
    fs::remove_all(dir / "home" / "Library");
    const auto failure = TarnwickFocusFilter{{account("a", "A")}, false}.perform(env());
    ASSERT_TRUE(failure);
    ASSERT_TRUE(std::holds_alternative<std::error_code>(*failure));
    EXPECT_EQ(std::get<std::error_code>(*failure), std::errc::no_such_file_or_directory);
    EXPECT_FALSE(fs::exists(dir / "home" / "Library")) << "no directory is created";
    EXPECT_EQ(notifier.posts, 0);
    EXPECT_EQ(logged().back(), "Failed to write focus-filter.json: No such file or directory");
}

TEST_F(FocusFilterTest, APostFailureIsReportedAfterTheWrite)
{
    notifier.failure = "no session bus";
    const auto failure = TarnwickFocusFilter{{account("a", "A")}, false}.perform(env());
    ASSERT_TRUE(failure);
    EXPECT_TRUE(std::holds_alternative<FocusFilterPostError>(*failure));
    EXPECT_TRUE(fs::exists(legacyDir() / "focus-filter.json"));
    EXPECT_EQ(logged().back(), "Failed to post com.fenmoorlab.tarnwick.focusFilterChanged: no session bus");
}

TEST_F(FocusFilterTest, ToolArgumentsAndExitStatuses)
{
    dir.write("home/Library/Application Support/Tarnwick/accounts.json",
              R"([{"id":"w","name":"Work","color":"#111111"},{"id":"h","name":"Home"}])");
    FocusFilterTool tool(env());
    struct Row {
        std::vector<std::string> args;
        int status;
        const char* out;
    };
    const Row rows[] = {
        {{}, 2, ""},
        {{"frobnicate"}, 2, ""},
        {{"describe", "--bogus"}, 2, ""},
        {{"describe", "--nobody"}, 2, ""},
        {{"accounts", "--height", "0"}, 2, ""},
        {{"accounts", "--images"}, 2, ""},
        {{"describe"}, 0, "All Accounts\nOthers silenced\n"},
        {{"describe", "h", "w", "--disable-excluded"}, 0, "Home, Work\nOthers silenced and blocked\n"},
        {{"describe", "--", "--disable-excluded"}, 0, "All Accounts\nOthers silenced\n"}, // an id, of no account
        {{"accounts"}, 0, R"([{"colorHex":"#111111","id":"w","name":"Work"},{"colorHex":"","id":"h","name":"Home"}])" "\n"},
        {{"accounts", "--id", "h", "--id", "w", "--id", "x"}, 0,
         R"([{"colorHex":"#111111","id":"w","name":"Work"},{"colorHex":"","id":"h","name":"Home"}])" "\n"},
        {{"accounts", "--id", "x"}, 0, "[]\n"},
    };
    for (const auto& row : rows) {
        std::ostringstream out, err;
        EXPECT_EQ(tool.run(row.args, out, err), row.status) << ::testing::PrintToString(row.args);
        // describe's title and subtitle; the texts that follow them are checked with the program.
        const std::string text = out.str();
        const auto blank = text.find("\n\n");
        EXPECT_EQ(blank == std::string::npos ? text : text.substr(0, blank + 1), row.out)
            << ::testing::PrintToString(row.args);
        if (row.status == 2) {
            EXPECT_NE(err.str().find("usage: tarnwick-focus-filter"), std::string::npos);
        }
    }
    EXPECT_FALSE(fs::exists(legacyDir() / "focus-filter.json")) << "usage errors write nothing";
    EXPECT_EQ(notifier.posts, 0);
}
