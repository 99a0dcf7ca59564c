// tarnwick-focus-filter as a user runs it: real files under a test home, the change signal observed
// on the private session bus.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QImage>
#include <QSignalSpy>
#include <chrono>
#include <sys/stat.h>

#include "tarnwick/extensionkit/focusfilterfile.h"
#include "tarnwick/platform/focusfilterchangeobserver.h"
#include "tarnwick/rpc/json.h"
#include "tarnwick/testing/subprocess.h"
#include "tarnwick/testing/tempdir.h"

using namespace tarnwick;
namespace fs = std::filesystem;
namespace tt = tarnwick::testing;

namespace {

struct FocusFilterToolTest : ::testing::Test {
    tt::TempDir dir;
    const std::string program = tt::builtProgram("app-intents/tarnwick-focus-filter-ungrouped");
    const std::string grouped = tt::builtProgram("app-intents/tarnwick-focus-filter-grouped");

    fs::path realHome() const { return dir / "real-home"; }
    fs::path legacyDir() const { return realHome() / "Library" / "Application Support" / "Tarnwick"; }
    fs::path container() const { return dir / "data" / "group-containers" / "TEST.group.com.fenmoorlab.tarnwick"; }

    tt::Subprocess::Options options(const std::string& passwdHome) const
    {
        tt::Subprocess::Options o;
        std::string asan = std::getenv("ASAN_OPTIONS") ? std::getenv("ASAN_OPTIONS") : "";
        o.setEnv = {
            {"LD_PRELOAD", tt::builtProgram("app-intents/tarnwick_passwd_shim.so")},
            {"TARNWICK_TEST_PASSWD_HOME", passwdHome},
            // The shim is loaded ahead of the sanitizer runtime in sanitizer builds.
            {"ASAN_OPTIONS", asan + (asan.empty() ? "" : ":") + "verify_asan_link_order=0"},
            {"HOME", (dir / "sandbox-home").string()},
            {"XDG_DATA_HOME", (dir / "data").string()},
        };
        return o;
    }
    tt::RunResult run(const std::vector<std::string>& args, const std::string& passwdHome = "")
    {
        return tt::run(program, args, options(passwdHome.empty() ? realHome().string() : passwdHome));
    }
};

} // namespace

TEST_F(FocusFilterToolTest, ApplyWritesTheLegacyFileAndAnnouncesIt)
{
    fs::create_directories(legacyDir());
    dir.write("real-home/Library/Application Support/Tarnwick/accounts.json",
              R"([{"id":"work","name":"Work"},{"id":"home","name":"Home"},{"id":"club","name":"Club"}])");
    QDBusConnection listener = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "focus-tool-test");
    {
        FocusFilterChangeObserver observer(listener, nullptr);
        ASSERT_TRUE(observer.isListening()) << "run inside scripts/with-session.sh";
        QSignalSpy spy(&observer, &FocusFilterChangeObserver::changed);

        const auto result = run({"apply", "--disable-excluded", "home", "work"});
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out, "");
        ASSERT_TRUE(spy.count() > 0 || spy.wait(10000)) << "the signal reached the bus";

        const fs::path file = legacyDir() / "focus-filter.json";
        const auto parsed = json::parse(tt::readFile(file));
        ASSERT_TRUE(parsed && parsed->object());
        const auto& o = *parsed->object();
        EXPECT_EQ(o.at("activeAccountIds"), Value(Value::Array{Value("home"), Value("work")}));
        EXPECT_EQ(o.at("disableExcludedAccounts"), Value(true));
        EXPECT_EQ(o.at("isFilterActive"), Value(true));
        ASSERT_TRUE(o.at("timestamp").floating());
        EXPECT_NEAR(*o.at("timestamp").floating(), FocusFilterFile::now(), 120.0) << "seconds, not milliseconds";
        EXPECT_FALSE(fs::exists(dir / "data" / "group-containers")) << "a build without a group has no container";
    }
    QDBusConnection::disconnectFromBus("focus-tool-test");
}

TEST_F(FocusFilterToolTest, GroupBuildWritesIntoTheContainerAndLogsThere)
{
    dir.write("data/group-containers/TEST.group.com.fenmoorlab.tarnwick/accounts.json",
              R"([{"id":"a","name":"A"},{"id":"b","name":"B"}])");
    const auto result = tt::run(grouped, {"apply"}, options(realHome().string()));
    EXPECT_EQ(result.status, 0) << result.err;
    const auto state = FocusFilterFile::read(container() / "focus-filter.json");
    EXPECT_EQ(state.status, FocusFilterFile::ReadStatus::Loaded);
    EXPECT_FALSE(state.state.isFilterActive());
    EXPECT_FALSE(fs::exists(legacyDir() / "focus-filter.json"));

    const std::string log = tt::readFile(container() / "logs" / "app-intents-extension.log");
    for (const char* line : {"[info] (AppIntents) loadAccounts: loaded 2 account(s)",
                             "[info] (AppIntents) perform: setting Focus Filter with 0 active account(s), disableExcluded: false",
                             "[info] (AppIntents) Successfully wrote focus-filter.json",
                             "[info] (AppIntents) Posted com.fenmoorlab.tarnwick.focusFilterChanged notification"})
        EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
    EXPECT_EQ(log.find(dir.path().string()), std::string::npos) << "no home path in the log";
}

TEST_F(FocusFilterToolTest, FailuresAndUsageErrors)
{
    // The real home has no "Library/Application Support/Tarnwick": the write fails, nothing is created.
    auto result = run({"apply", "account_personal"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "Failed to write focus-filter.json: No such file or directory\n");
    EXPECT_FALSE(fs::exists(realHome()));

    result = run({"apply"}, "none");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "Tarnwick could not save the Focus Filter state. Check that Tarnwick is installed in "
                          "/Applications.\n");

    fs::create_directories(legacyDir());
    result = run({"apply", "--bogus"});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("usage:"), std::string::npos);
    EXPECT_FALSE(fs::exists(legacyDir() / "focus-filter.json")) << "a usage error writes nothing";

    auto noBus = options(realHome().string());
    noBus.setEnv["DBUS_SESSION_BUS_ADDRESS"] = "unix:path=" + (dir / "no-bus").string();
    result = tt::run(program, {"apply", "account_personal"}, noBus);
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("could not announce it"), std::string::npos) << result.err;
    EXPECT_TRUE(fs::exists(legacyDir() / "focus-filter.json")) << "the state is saved before the announcement";
}

TEST_F(FocusFilterToolTest, AccountsWithImagesAndDescribe)
{
    fs::create_directories(legacyDir());
    dir.write("real-home/Library/Application Support/Tarnwick/accounts.json",
              R"([{"id":"a","name":"Alpha","color":"#ff0000"},{"id":"../evil","name":"Evil"},{"id":"b","name":"Beta"}])");
    auto result = run({"accounts", "--images", (dir / "dots").string()});
    EXPECT_EQ(result.status, 1) << "one id is not a file name";
    EXPECT_EQ(result.out.substr(0, 50), R"([{"colorHex":"#ff0000","id":"a","name":"Alpha"},{")");
    QImage dot;
    ASSERT_TRUE(dot.load(QString::fromStdString((dir / "dots" / "a.png").string())));
    EXPECT_EQ(dot.size(), QSize(72, 48));
    EXPECT_EQ(dot.pixel(36, 24), qRgb(255, 0, 0));
    EXPECT_TRUE(fs::exists(dir / "dots" / "b.png"));
    EXPECT_FALSE(fs::exists(dir / "evil.png"));

    result = run({"accounts", "--id", "b", "--images", (dir / "small").string(), "--height", "20"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, R"([{"colorHex":"","id":"b","name":"Beta"}])" "\n");
    ASSERT_TRUE(dot.load(QString::fromStdString((dir / "small" / "b.png").string())));
    EXPECT_EQ(dot.size(), QSize(30, 20));

    result = run({"describe", "b", "a"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out.substr(0, result.out.find("\n\n") + 1), "Beta, Alpha\nOthers silenced\n")
        << "names in the order given";
}

TEST_F(FocusFilterToolTest, IdsOfRemovedAccountsAreLeftOutWithAWarning)
{
    fs::create_directories(legacyDir());
    dir.write("real-home/Library/Application Support/Tarnwick/accounts.json",
              R"([{"id":"work","name":"Work"},{"id":"home","name":"Home"}])");
    auto result = run({"apply", "gone", "home"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "tarnwick-focus-filter: warning: no account with the id \"gone\"; left out\n");
    auto state = FocusFilterFile::read(legacyDir() / "focus-filter.json");
    ASSERT_EQ(state.status, FocusFilterFile::ReadStatus::Loaded);
    EXPECT_EQ(state.state.activeAccountIds, std::vector<std::string>{"home"});

    // Only removed accounts: the filter keeps everything active rather than failing.
    result = run({"apply", "gone"});
    EXPECT_EQ(result.status, 0) << result.err;
    state = FocusFilterFile::read(legacyDir() / "focus-filter.json");
    EXPECT_FALSE(state.state.isFilterActive());

    result = run({"describe", "--disable-excluded", "gone", "work"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "Work\nOthers silenced and blocked\n\n"
                          "Filter Accounts: Choose which accounts stay active during this Focus. The rest are silenced "
                          "and left out of the menu bar, widgets and unread count.\n"
                          "Accounts (Turning an account off silences it.):\n"
                          "  Work (Tarnwick Account work)\n"
                          "Prevent Access to Silenced Accounts (Gray out silenced accounts so they cannot be opened.): on\n");
    EXPECT_NE(result.err.find("\"gone\"; left out"), std::string::npos);
}

TEST_F(FocusFilterToolTest, HelpCarriesTheFilterAndParameterTexts)
{
    const auto result = run({"--help"});
    EXPECT_EQ(result.status, 0);
    for (const char* text : {"Filter Accounts: Choose which accounts stay active during this Focus.",
                             "Accounts: Turning an account off silences it.",
                             "--disable-excluded   Prevent Access to Silenced Accounts: Gray out silenced accounts so "
                             "they cannot be opened.",
                             "each Tarnwick Account"})
        EXPECT_NE(result.out.find(text), std::string::npos) << text << "\n" << result.out;
}

TEST_F(FocusFilterToolTest, TheDefaultBuildUsesTheDefaultGroupContainer)
{
    const auto result = tt::run(tt::builtProgram("app-intents/tarnwick-focus-filter"), {"apply"},
                                options(realHome().string()));
    EXPECT_EQ(result.status, 0) << result.err;
    const fs::path container = dir / "data" / "group-containers" / "group.com.fenmoorlab.tarnwick";
    EXPECT_EQ(FocusFilterFile::read(container / "focus-filter.json").status, FocusFilterFile::ReadStatus::Loaded);
    EXPECT_TRUE(fs::exists(container / "logs" / "app-intents-extension.log"));
}

TEST_F(FocusFilterToolTest, AFifoOrAHugeFileInPlaceOfTheAccountsNeitherHangsNorBloatsIt)
{
    fs::create_directories(container());
    ASSERT_EQ(::mkfifo((container() / "accounts.json").c_str(), 0600), 0);
    const auto started = std::chrono::steady_clock::now();
    auto result = tt::run(grouped, {"accounts"}, options(realHome().string()));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "[{\"colorHex\":\"#a855f7\",\"id\":\"account_personal\",\"name\":\"Personal\"}]\n");
    const std::string log = tt::readFile(container() / "logs" / "app-intents-extension.log");
    EXPECT_NE(log.find("loadAccounts: accounts.json unreadable ("), std::string::npos) << log;

    // 100 MB of accounts is not the main application's file: refused unread.
    fs::remove(container() / "accounts.json");
    fs::resize_file(dir.write("data/group-containers/TEST.group.com.fenmoorlab.tarnwick/accounts.json", "["),
                    std::uintmax_t{100} << 20);
    result = tt::run(grouped, {"accounts"}, options(realHome().string()));
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("account_personal"), std::string::npos) << result.out;
}
