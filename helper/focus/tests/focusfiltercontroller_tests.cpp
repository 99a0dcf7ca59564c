#include <gtest/gtest.h>

#include "fakedefaulthandler.h"
#include "helpertestsupport.h"
#include "tarnwick/helper/focusfiltercontroller.h"
#include "tarnwick/helper/settingsmodel.h"
#include "tarnwick/helper/traymodel.h"
#include "tarnwick/platform/fakesystempaths.h"
#include "tarnwick/platform/focusfilterchangeobserver.h"

using namespace tarnwick;
using namespace tarnwick::test;

namespace {

class FocusFilterTest : public ::testing::Test {
protected:
    LogCapture log;
    RecordingTransport io;
    FakeDefaultHandler handler;
    SettingsModel settings{handler};
    TrayModel tray;
    FakeSystemPaths paths; // no home: no Focus filter file
    FocusFilterController focus{settings, tray, {io.queue, &paths, [] { return nullptr; }}};
};

} // namespace

TEST_F(FocusFilterTest, ApplyingSetsStateStatusAndLogLine)
{
    struct Case {
        std::vector<std::string> ids;
        bool blocked;
        const char* logLine;
        const char* status;
    };
    const Case cases[] = {
        {{}, false, "I|Focus|No filter; everything stays on", "Inactive (All accounts active)"},
        {{}, true, "I|Focus|No filter; everything stays on", "Inactive (All accounts active)"},
        {{"a", "b"}, true, "I|Focus|Filter active; 2 account(s) stay on, excluded accounts disabled",
         "Active: 2 accounts visible (others hidden)"},
        {{"a"}, false, "I|Focus|Filter active; 1 account(s) stay on, excluded accounts silenced",
         "Active: 1 accounts active (others silenced)"},
    };
    for (const Case& c : cases) {
        log.clear();
        focus.applyFilter(c.ids, c.blocked);
        EXPECT_EQ(log.records(), std::vector<std::string>{c.logLine});
        EXPECT_EQ(settings.focusFilterStatus(), c.status);
        EXPECT_EQ(focus.isFilterActive(), !c.ids.empty());
        EXPECT_EQ(focus.disableExcludedAccounts(), c.blocked) << "kept even when no filter is active";
    }
}

TEST_F(FocusFilterTest, MutesOnlyAccountsOutsideAnActiveFilter)
{
    focus.applyFilter({}, true);
    EXPECT_FALSE(focus.isAccountMuted("a"));
    focus.applyFilter({"a"}, false);
    EXPECT_FALSE(focus.isAccountMuted("a"));
    EXPECT_TRUE(focus.isAccountMuted("b"));
    EXPECT_TRUE(focus.isAccountMuted(""));
}

TEST_F(FocusFilterTest, ReportsEveryApplicationOnceATransportIsHeld)
{
    focus.applyFilter({"a"}, false);
    EXPECT_TRUE(io.lines.empty()) << "no transport yet";
    focus.setup(io.transport);
    focus.applyFilter({}, false);
    focus.applyFilter({}, false);
    const std::string cleared =
        R"({"method":"focusFilter.changed","params":{"activeAccountIds":[],"disableExcludedAccounts":false,"isFilterActive":false}})";
    EXPECT_EQ(io.take(), (std::vector<std::string>{cleared, cleared, cleared}))
        << "set-up loads the state and reports it; unchanged applications are reported too";
}

// An empty account list, and a removal's log line and report: helper_state_process_tests, through
// tray.update.
TEST_F(FocusFilterTest, PruneReportsOnlyARemovalAndEmptyingTheFilterEndsIt)
{
    focus.setup(io.transport);
    focus.applyFilter({"a", "b"}, true);
    io.take();

    focus.prune({"a", "b", "c"});
    EXPECT_TRUE(io.lines.empty()) << "nothing removed, nothing reported";
    EXPECT_EQ(focus.activeAccountIds().size(), 2u);

    focus.prune({"z"});
    EXPECT_FALSE(focus.isFilterActive()) << "removing every entry ends the filter";
    EXPECT_TRUE(focus.disableExcludedAccounts());
}
