#include <gtest/gtest.h>

#include <sys/stat.h>

#include "tarnwick/extensionkit/focusfilterfile.h"
#include "tarnwick/platform/fakesystempaths.h"
#include "tarnwick/rpc/json.h"
#include "tarnwick/testing/tempdir.h"

using namespace tarnwick;
using Status = FocusFilterFile::ReadStatus;
namespace fs = std::filesystem;
namespace tt = tarnwick::testing;

TEST(FocusFilterFile, EncodesFourKeysPrettyPrinted)
{
    const std::string text = FocusFilterFile::encode({{"b", "a"}, true}, 1717171717.25);
    EXPECT_NE(text.find('\n'), std::string::npos) << "one key per line";
    const auto parsed = json::parse(text);
    ASSERT_TRUE(parsed && parsed->object());
    const auto& o = *parsed->object();
    EXPECT_EQ(o.size(), 4u);
    EXPECT_EQ(o.at("activeAccountIds"), Value(Value::Array{Value("b"), Value("a")}));
    EXPECT_EQ(o.at("disableExcludedAccounts"), Value(true));
    EXPECT_EQ(o.at("isFilterActive"), Value(true));
    ASSERT_TRUE(o.at("timestamp").floating());
    EXPECT_DOUBLE_EQ(*o.at("timestamp").floating(), 1717171717.25);
}

TEST(FocusFilterFile, NoIdsMeansInactiveButKeepsTheBlockingChoice)
{
    const auto parsed = json::parse(FocusFilterFile::encode({{}, true}, 1.5));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->object()->at("isFilterActive"), Value(false));
    EXPECT_EQ(parsed->object()->at("activeAccountIds"), Value(Value::Array{}));
    EXPECT_EQ(parsed->object()->at("disableExcludedAccounts"), Value(true));
}

TEST(FocusFilterFile, TimestampIsSecondsWithAFraction)
{
    const double now = FocusFilterFile::now();
    // Seconds since 1970: well past 2020 and well before 2100 (milliseconds would be ~1000 times more).
    EXPECT_GT(now, 1.6e9);
    EXPECT_LT(now, 4.1e9);
    const auto parsed = json::parse(FocusFilterFile::encode({}, 1700000000.0));
    EXPECT_TRUE(parsed->object()->at("timestamp").floating()) << "a whole second is still written as a double";
}

TEST(FocusFilterFile, DecodeIsLenientInsideAnObjectOnly)
{
    struct Row {
        const char* name;
        const char* text;
        std::optional<FocusFilterState> expected;
    };
    const Row rows[] = {
        {"empty", "", std::nullopt},
        {"junk", "{not json", std::nullopt},
        {"array top level", R"(["a"])", std::nullopt},
        {"string top level", R"("x")", std::nullopt},
        {"empty object", "{}", FocusFilterState{}},
        {"full", R"({"activeAccountIds":["a","b"],"disableExcludedAccounts":true,"isFilterActive":false})",
         FocusFilterState{{"a", "b"}, true}},
        {"ids not an array", R"({"activeAccountIds":"a","disableExcludedAccounts":true})", FocusFilterState{{}, true}},
        {"ids with a number", R"({"activeAccountIds":["a",7]})", FocusFilterState{}},
        {"flag as number", R"({"activeAccountIds":["a"],"disableExcludedAccounts":1})", FocusFilterState{{"a"}, false}},
        {"flag as string", R"({"disableExcludedAccounts":"true"})", FocusFilterState{}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(FocusFilterFile::decode(row.text), row.expected) << row.name;
}

TEST(FocusFilterFile, RoundTripsThroughTheFile)
{
    tt::TempDir dir;
    const auto path = dir / "focus-filter.json";
    EXPECT_EQ(FocusFilterFile::read(path).status, Status::Missing);

    EXPECT_FALSE(FocusFilterFile::write(path, {{"x", "ü-id"}, false}, 10.5));
    auto result = FocusFilterFile::read(path);
    EXPECT_EQ(result.status, Status::Loaded);
    EXPECT_EQ(result.state, (FocusFilterState{{"x", "ü-id"}, false}));

    // A second write replaces the whole file and leaves no temporary file behind.
    EXPECT_FALSE(FocusFilterFile::write(path, {{}, true}, 11.5));
    EXPECT_EQ(FocusFilterFile::read(path).state, (FocusFilterState{{}, true}));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(FocusFilterFile, WriteFailsWithoutTheDirectoryAndKeepsTheOldFile)
{
    tt::TempDir dir;
    EXPECT_TRUE(FocusFilterFile::write(dir / "missing" / "focus-filter.json", {}, 1.0));
    EXPECT_FALSE(fs::exists(dir / "missing"));

    const auto path = dir.write("focus-filter.json", R"({"activeAccountIds":["keep"]})");
    ::chmod(dir.path().c_str(), 0500);
    const bool writable = ::access(dir.path().c_str(), W_OK) == 0; // root writes anyway
    if (!writable) {
        EXPECT_TRUE(FocusFilterFile::write(path, {{"new"}, false}, 1.0));
    }
    ::chmod(dir.path().c_str(), 0700);
    EXPECT_EQ(FocusFilterFile::read(path).state.activeAccountIds, std::vector<std::string>{"keep"});
}

TEST(FocusFilterFile, UnreadableAndMalformedFilesAreTold)
{
    tt::TempDir dir;
    EXPECT_EQ(FocusFilterFile::read(dir.write("a.json", "[1,2]")).status, Status::Unreadable);
    EXPECT_EQ(FocusFilterFile::read(dir.write("b.json", "")).status, Status::Unreadable);
    fs::create_directory(dir / "c.json");
    EXPECT_EQ(FocusFilterFile::read(dir / "c.json").status, Status::Unreadable);
}

TEST(FocusFilterFile, LocationPrefersTheGroupContainerThenTheRealHome)
{
    tt::TempDir dir;
    FakeSystemPaths paths;
    paths.realHome = dir / "home";
    paths.processHome = dir / "sandbox";
    EXPECT_EQ(FocusFilterFile::location(paths),
              dir / "home" / "Library" / "Application Support" / "Tarnwick" / "focus-filter.json");

    paths.groupId = "T.group.com.fenmoorlab.tarnwick";
    EXPECT_EQ(FocusFilterFile::location(paths),
              dir / "home" / "Library" / "Application Support" / "Tarnwick" / "focus-filter.json")
        << "a group the system has no container for";

    paths.containerRoot = dir / "containers";
    EXPECT_EQ(FocusFilterFile::location(paths), dir / "containers" / "T.group.com.fenmoorlab.tarnwick" / "focus-filter.json");

    paths.groupId.reset();
    paths.realHome.reset();
    EXPECT_EQ(FocusFilterFile::location(paths), std::nullopt);
}
