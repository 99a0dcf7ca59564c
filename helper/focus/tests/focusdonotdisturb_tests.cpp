// Focus follows Do Not Disturb: the saved Do Not Disturb filter replaces the file's state while it is
// on and gives it back after; the combined watcher; GNOME's setting read through a real GSettings
// backend held in memory.
#include <gtest/gtest.h>

#include <QTest>
#include <gio/gio.h>

#include "fakedefaulthandler.h"
#include "helpertestsupport.h"
#include "tarnwick/extensionkit/focusfilterfile.h"
#include "tarnwick/helper/donotdisturbsource.h"
#include "tarnwick/helper/donotdisturbwatcher.h"
#include "tarnwick/helper/focusfiltercontroller.h"
#include "tarnwick/helper/gsettingsdonotdisturb.h"
#include "tarnwick/helper/settingsmodel.h"
#include "tarnwick/helper/traymodel.h"
#include "tarnwick/platform/fakesystempaths.h"
#include "tarnwick/platform/focusfilterchangeobserver.h"
#include "tarnwick/testing/tempdir.h"

using namespace tarnwick;
using namespace tarnwick::test;
namespace fs = std::filesystem;

namespace {

class FakeSource final : public DoNotDisturbSource {
public:
    bool active() const override { return on; }
    void set(bool value)
    {
        on = value;
        Q_EMIT changed();
    }
    bool on = false;
};

class FocusDoNotDisturbTest : public ::testing::Test {
protected:
    tarnwick::testing::TempDir dir;
    LogCapture log;
    RecordingTransport io;
    FakeSystemPaths paths;
    FakeDefaultHandler handler;
    SettingsModel settings{handler};
    ManualClock clock;
    TrayModel tray{clock};
    FakeSource* source = nullptr;
    FocusFilterController focus{settings, tray,
                                {io.queue, &paths, [] { return nullptr; }, [this] {
                                     auto* watcher = new DoNotDisturbWatcher;
                                     watcher->addSource(source = new FakeSource);
                                     return watcher;
                                 }}};

    FocusDoNotDisturbTest()
    {
        paths.realHome = dir / "home";
        fs::create_directories(folder());
    }
    fs::path folder() const { return dir / "home" / "Library" / "Application Support" / "Tarnwick"; }
    void save(std::string_view name, std::vector<std::string> ids, bool blocked)
    {
        ASSERT_FALSE(FocusFilterFile::write(folder() / name, {std::move(ids), blocked}, 1.0));
    }
    static std::string changed(const std::string& ids, bool blocked)
    {
        return R"({"method":"focusFilter.changed","params":{"activeAccountIds":[)" + ids +
               R"(],"disableExcludedAccounts":)" + (blocked ? "true" : "false") + R"(,"isFilterActive":)" +
               (ids.empty() ? "false" : "true") + "}}";
    }
};

} // namespace

TEST_F(FocusDoNotDisturbTest, TheSavedFilterHoldsWhileDoNotDisturbIsOnAndTheFileStateReturnsAfter)
{
    save(FocusFilterFile::kFileName, {"a", "b"}, false);
    save(FocusFilterFile::kDoNotDisturbFileName, {"a"}, true);
    focus.setup(io.transport);
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(io.take(), std::vector<std::string>{changed(R"("a","b")", false)});
    EXPECT_FALSE(focus.breaksThroughDoNotDisturb("a")) << "Do Not Disturb is off";

    source->set(true);
    source->set(true);
    EXPECT_EQ(io.take(), std::vector<std::string>{changed(R"("a")", true)}) << "one event per change";
    EXPECT_TRUE(focus.doNotDisturbFilterApplied());
    EXPECT_TRUE(focus.breaksThroughDoNotDisturb("a"));
    EXPECT_FALSE(focus.breaksThroughDoNotDisturb("b"));
    EXPECT_TRUE(focus.isAccountMuted("b"));

    // A new file while Do Not Disturb is on is what comes back afterwards; the Do Not Disturb filter stays.
    save(FocusFilterFile::kFileName, {"c"}, false);
    focus.loadPersistedFocusFilter();
    EXPECT_EQ(io.take(), std::vector<std::string>{changed(R"("a")", true)});

    source->set(false);
    EXPECT_EQ(io.take(), std::vector<std::string>{changed(R"("c")", false)});
    EXPECT_FALSE(focus.breaksThroughDoNotDisturb("c"));
    EXPECT_TRUE(log.contains("I|Focus|Do Not Disturb is off; restoring the filter"));
}

TEST_F(FocusDoNotDisturbTest, WithoutASavedChoiceDoNotDisturbChangesNothing)
{
    save(FocusFilterFile::kFileName, {"a"}, false);
    focus.setup(io.transport);
    io.take();
    struct Case {
        const char* dndFile; // nothing: no file
        const char* logLine;
    };
    const Case cases[] = {
        {nullptr, "I|Focus|Do Not Disturb is on; no filter is saved for it"},
        {"[1,2]", "E|Focus|focus-filter-dnd.json could not be read; Do Not Disturb leaves the filter alone"},
        {"", "E|Focus|focus-filter-dnd.json could not be read; Do Not Disturb leaves the filter alone"},
    };
    for (const Case& c : cases) {
        fs::remove(folder() / FocusFilterFile::kDoNotDisturbFileName);
        if (c.dndFile)
            dir.write("home/Library/Application Support/Tarnwick/focus-filter-dnd.json", c.dndFile);
        log.clear();
        source->set(true);
        EXPECT_TRUE(log.contains(c.logLine)) << (c.dndFile ? c.dndFile : "no file");
        EXPECT_FALSE(focus.breaksThroughDoNotDisturb("a"));
        source->set(false);
        EXPECT_TRUE(io.take().empty()) << (c.dndFile ? c.dndFile : "no file");
        EXPECT_EQ(focus.activeAccountIds(), std::vector<std::string>{"a"});
    }

    // A choice saved while Do Not Disturb is already on is taken at the next announcement.
    source->set(true);
    save(FocusFilterFile::kDoNotDisturbFileName, {}, false);
    focus.loadPersistedFocusFilter();
    EXPECT_EQ(io.take(), std::vector<std::string>{changed("", false)});
    EXPECT_TRUE(focus.breaksThroughDoNotDisturb("a")) << "an empty choice keeps every account on";
    source->set(false);
    EXPECT_EQ(io.take(), std::vector<std::string>{changed(R"("a")", false)});
}

TEST(DoNotDisturbWatcher, IsOnWhileAnySourceIsAndReportsEachChangeOnce)
{
    DoNotDisturbWatcher watcher;
    auto* gnome = new FakeSource;
    auto* server = new FakeSource;
    watcher.addSource(gnome);
    watcher.addSource(server);
    std::vector<bool> reports;
    QObject::connect(&watcher, &DoNotDisturbWatcher::activeChanged, [&](bool on) { reports.push_back(on); });
    gnome->set(true);
    server->set(true);
    gnome->set(false);
    EXPECT_TRUE(watcher.active());
    server->set(false);
    EXPECT_EQ(reports, (std::vector<bool>{true, false}));

    // A source that is already on when added turns the watcher on.
    auto* late = new FakeSource;
    late->on = true;
    watcher.addSource(late);
    EXPECT_EQ(reports, (std::vector<bool>{true, false, true}));
}

TEST(GSettingsDoNotDisturb, FollowsShowBannersInARealBackend)
{
    // The memory backend: real GSettings, nothing written anywhere. Chosen before GSettings is first used.
    qputenv("GSETTINGS_BACKEND", "memory");
    GSettingsSchemaSource* schemas = g_settings_schema_source_get_default();
    GSettingsSchema* schema = schemas ? g_settings_schema_source_lookup(schemas, GSettingsDoNotDisturb::kSchema, TRUE) : nullptr;
    if (!schema)
        GTEST_SKIP() << "gsettings-desktop-schemas is not installed (scripts/setup.sh installs it)";
    g_settings_schema_unref(schema);

    GSettings* desktop = g_settings_new(GSettingsDoNotDisturb::kSchema);
    g_settings_set_boolean(desktop, GSettingsDoNotDisturb::kKey, FALSE);
    GSettingsDoNotDisturb source;
    ASSERT_TRUE(source.isWatching());
    EXPECT_TRUE(source.active()) << "banners hidden: Do Not Disturb";

    int changes = 0;
    QObject::connect(&source, &DoNotDisturbSource::changed, [&] { ++changes; });
    g_settings_set_boolean(desktop, GSettingsDoNotDisturb::kKey, TRUE);
    QDeadlineTimer deadline(5000);
    while (changes == 0 && !deadline.hasExpired())
        QTest::qWait(5);
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(source.active());
    g_object_unref(desktop);
}
