// Loading the Focus filter state from focus-filter.json, wherever the location rules put it.
#include <gtest/gtest.h>

#include <QDBusConnection>

#include "fakedefaulthandler.h"
#include "helpertestsupport.h"
#include "tarnwick/helper/focusfiltercontroller.h"
#include "tarnwick/helper/settingsmodel.h"
#include "tarnwick/helper/traymodel.h"
#include "tarnwick/platform/fakesystempaths.h"
#include "tarnwick/platform/focusfilterchangeobserver.h"
#include "tarnwick/testing/tempdir.h"

using namespace tarnwick;
using namespace tarnwick::test;
namespace fs = std::filesystem;

namespace {

const std::string kLegacy = "home/Library/Application Support/Tarnwick/focus-filter.json";
const std::string kGrouped = "containers/G.group.com.fenmoorlab.tarnwick/focus-filter.json";

class FocusFilterLoadingTest : public ::testing::Test {
protected:
    tarnwick::testing::TempDir dir;
    LogCapture log;
    RecordingTransport io;
    FakeSystemPaths paths;
    FakeDefaultHandler handler;
    SettingsModel settings{handler};
    ManualClock clock;
    TrayModel tray{clock};
    int observersMade = 0;
    FocusFilterController focus{settings, tray, {io.queue, &paths, [this] {
                                                     ++observersMade;
                                                     return std::make_unique<FocusFilterChangeObserver>(
                                                         QDBusConnection(QStringLiteral("unconnected")), nullptr);
                                                 }}};

    FocusFilterLoadingTest()
    {
        paths.realHome = dir / "home";
        paths.containerRoot = dir / "containers";
    }
    void load()
    {
        log.clear();
        focus.loadPersistedFocusFilter();
    }
    std::string changed(const std::string& ids, bool blocked)
    {
        return R"({"method":"focusFilter.changed","params":{"activeAccountIds":[)" + ids +
               R"(],"disableExcludedAccounts":)" + (blocked ? "true" : "false") + R"(,"isFilterActive":)" +
               (ids.empty() ? "false" : "true") + "}}";
    }
};

} // namespace

TEST_F(FocusFilterLoadingTest, ReadsTheLegacyFileWithoutAGroup)
{
    dir.write(kLegacy, R"({"activeAccountIds":["a"],"disableExcludedAccounts":false,"isFilterActive":false,"timestamp":1.5})");
    load();
    EXPECT_EQ(focus.activeAccountIds(), std::vector<std::string>{"a"});
    EXPECT_TRUE(focus.isFilterActive()) << "\"isFilterActive\" in the file is not read";
    EXPECT_FALSE(focus.isAccountMuted("a"));
    EXPECT_TRUE(focus.isAccountMuted("b"));
    EXPECT_EQ(settings.focusFilterStatus(), "Active: 1 accounts active (others silenced)");
}

TEST_F(FocusFilterLoadingTest, TriesOnlyTheGroupContainerWhenThereIsOne)
{
    // No fallback to the legacy file and the container's creation: helper_state_process_tests.
    paths.groupId = "G.group.com.fenmoorlab.tarnwick";
    dir.write(kLegacy, R"({"activeAccountIds":["legacy"]})");
    dir.write(kGrouped, R"({"activeAccountIds":["x","y"],"disableExcludedAccounts":true})");
    load();
    EXPECT_EQ(focus.activeAccountIds(), (std::vector<std::string>{"x", "y"}));
    EXPECT_EQ(settings.focusFilterStatus(), "Active: 2 accounts visible (others hidden)");

    paths.containerRoot.reset();
    load();
    EXPECT_EQ(focus.activeAccountIds(), std::vector<std::string>{"legacy"}) << "no container: the legacy location";
}

TEST_F(FocusFilterLoadingTest, MissingOrBadFilesClearTheFilter)
{
    struct Case {
        const char* name;
        std::optional<std::string> contents; // nothing: no file
        bool logsError;
    };
    const Case cases[] = {
        {"missing", std::nullopt, false},
        {"empty", "", true},
        {"junk", "{not json", true},
        {"array", R"(["a"])", true},
        {"string", R"("a")", true},
        {"not UTF-8", "{\"activeAccountIds\":[\"\xff\"]}", true},
    };
    for (const Case& c : cases) {
        focus.applyFilter({"keep"}, true);
        fs::remove_all(dir / "home");
        if (c.contents)
            dir.write(kLegacy, *c.contents);
        load();
        EXPECT_FALSE(focus.isFilterActive()) << c.name;
        EXPECT_FALSE(focus.disableExcludedAccounts()) << c.name;
        EXPECT_EQ(log.records().front() == "E|Focus|focus-filter.json could not be read; clearing the filter", c.logsError)
            << c.name;
        EXPECT_EQ(log.records().back(), "I|Focus|No filter; everything stays on") << c.name;
    }

    focus.applyFilter({"keep"}, true);
    fs::remove_all(dir / "home");
    fs::create_directories(dir / kLegacy);
    load();
    EXPECT_FALSE(focus.isFilterActive()) << "a directory in the file's place";
    EXPECT_EQ(log.records().front(), "E|Focus|focus-filter.json could not be read; clearing the filter");

    focus.applyFilter({"keep"}, true);
    paths.realHome.reset();
    load();
    EXPECT_FALSE(focus.isFilterActive()) << "no location at all";
    EXPECT_EQ(log.records(), std::vector<std::string>{"I|Focus|No filter; everything stays on"});
}

TEST_F(FocusFilterLoadingTest, WrongKindsInsideAnObjectFallBackQuietly)
{
    const std::pair<const char*, bool> cases[] = {
        {R"({"activeAccountIds":[],"disableExcludedAccounts":true})", true},
        {R"({"activeAccountIds":["a",1],"disableExcludedAccounts":"yes"})", false},
        {R"({"activeAccountIds":"a","disableExcludedAccounts":1})", false},
        {R"({})", false},
    };
    for (const auto& [contents, blocked] : cases) {
        dir.write(kLegacy, contents);
        load();
        EXPECT_FALSE(focus.isFilterActive()) << contents;
        EXPECT_EQ(focus.disableExcludedAccounts(), blocked) << contents;
        EXPECT_FALSE(focus.isAccountMuted("a")) << contents;
        EXPECT_EQ(settings.focusFilterStatus(), "Inactive (All accounts active)");
        EXPECT_EQ(log.records(), std::vector<std::string>{"I|Focus|No filter; everything stays on"}) << contents;
    }
}

// The warning without a bus and the read at start: helper_state_process_tests.
TEST_F(FocusFilterLoadingTest, SetupTwiceObservesOnceButLoadsAndReportsAgain)
{
    dir.write(kLegacy, R"({"activeAccountIds":["a"]})");
    focus.setup(io.transport);
    EXPECT_FALSE(focus.isObserving());
    EXPECT_EQ(io.take(), std::vector<std::string>{changed(R"("a")", false)});

    focus.setup(io.transport);
    EXPECT_EQ(observersMade, 1) << "set up twice, observed once";
    EXPECT_EQ(io.take().size(), 1u) << "but loaded and reported again";
}

// Any program on the bus can announce a change as often as it likes: only a real change is applied,
// logged and reported; an unreadable file is logged once in a row.
TEST_F(FocusFilterLoadingTest, AnnouncementsReportOnlyChanges)
{
    paths.containerRoot.reset();
    dir.write(kLegacy, R"({"activeAccountIds":["a","b"]})");
    focus.setup(io.transport);
    io.take();
    log.clear();
    for (int i = 0; i < 1000; ++i)
        focus.reloadAnnounced();
    EXPECT_TRUE(io.take().empty());
    EXPECT_TRUE(log.records().empty());

    // Pruned to the tray's accounts before comparing: a file naming a removed account is no change
    // once the prune is done.
    tray.update(Object{{"accounts", Array{Value(Object{{"id", Value("a")}})}}});
    focus.prune({"a"});
    io.take();
    log.clear();
    focus.reloadAnnounced();
    EXPECT_TRUE(io.take().empty());

    dir.write(kLegacy, R"({"activeAccountIds":["a"],"disableExcludedAccounts":true})");
    focus.reloadAnnounced();
    focus.reloadAnnounced();
    EXPECT_EQ(io.take(), std::vector<std::string>{changed(R"("a")", true)});

    dir.write(kLegacy, "{not json");
    log.clear();
    focus.reloadAnnounced();
    focus.reloadAnnounced();
    EXPECT_EQ(io.take(), std::vector<std::string>{changed("", false)});
    EXPECT_EQ(log.records(), (std::vector<std::string>{"E|Focus|focus-filter.json could not be read; clearing the filter",
                                                       "I|Focus|No filter; everything stays on"}));
}
