// Focus follows Do Not Disturb: the saved Do Not Disturb filter replaces the file's state while it is
// on and gives it back after; the combined watcher; GNOME's setting read through a real GSettings
// backend held in memory.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QTest>
#include <atomic>
#include <gio/gio.h>

#include "fakedefaulthandler.h"
#include "helpertestsupport.h"
#include "tarnwick/extensionkit/focusfilterfile.h"
#include "tarnwick/helper/donotdisturbsource.h"
#include "tarnwick/helper/donotdisturbwatcher.h"
#include "tarnwick/helper/focusfiltercontroller.h"
#include "tarnwick/helper/gsettingsdonotdisturb.h"
#include "tarnwick/helper/notificationserverdonotdisturb.h"
#include "tarnwick/helper/settingsmodel.h"
#include "tarnwick/helper/traymodel.h"
#include "tarnwick/platform/fakesystempaths.h"
#include "tarnwick/platform/focusfilterchangeobserver.h"
#include "tarnwick/testing/eventwait.h"
#include "tarnwick/testing/privatebus.h"
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

namespace {

// A notification server with Do Not Disturb on: counts the reads of its "Inhibited" property.
class InhibitedServer final : public QDBusVirtualObject {
public:
    std::atomic<int> reads{0};
    std::atomic<bool> inhibited{true};
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (message.interface() != QLatin1String("org.freedesktop.DBus.Properties") || message.member() != QLatin1String("Get"))
            return false;
        ++reads;
        return connection.send(message.createReply(QVariant::fromValue(QDBusVariant(inhibited.load()))));
    }
};

} // namespace

// Any program owning the server's name can invalidate the property as often as it likes: while a
// read is on its way, a flood of invalidations asks for one more read, not one each.
TEST(NotificationServerDoNotDisturb, AFloodOfInvalidationsCostsOneMoreRead)
{
    tarnwick::testing::PrivateBus bus;
    ASSERT_FALSE(bus.address().empty()) << bus.failure();
    const QString address = QString::fromStdString(bus.address());
    InhibitedServer object;
    {
        QDBusConnection server = QDBusConnection::connectToBus(address, QStringLiteral("dnd-flood-server"));
        ASSERT_TRUE(server.registerVirtualObject(QStringLiteral("/org/freedesktop/Notifications"), &object));
        ASSERT_TRUE(server.registerService(QStringLiteral("org.freedesktop.Notifications")));
        QDBusConnection client = QDBusConnection::connectToBus(address, QStringLiteral("dnd-flood-client"));
        std::unique_ptr<NotificationServerDoNotDisturb> source(NotificationServerDoNotDisturb::inhibited(client));
        ASSERT_TRUE(tarnwick::testing::waitUntil([&] { return source->active(); }));
        ASSERT_EQ(object.reads.load(), 1);

        object.inhibited = false;
        QDBusMessage invalidated = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
                                                              QStringLiteral("org.freedesktop.DBus.Properties"),
                                                              QStringLiteral("PropertiesChanged"));
        invalidated << QStringLiteral("org.freedesktop.Notifications") << QVariantMap()
                    << QStringList{QStringLiteral("Inhibited")};
        for (int i = 0; i < 1000; ++i)
            ASSERT_TRUE(server.send(invalidated));
        // The server answers reads only after all its signals went out: the first read's answer finds
        // the rest of the flood handled, and asks once more.
        ASSERT_TRUE(tarnwick::testing::waitUntil([&] { return !source->active() && object.reads.load() >= 3; }));
        // One call round trip more, so a read still on its way would have arrived.
        QDBusMessage ping = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                                                           QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping"));
        client.call(ping);
        server.call(ping);
        QCoreApplication::processEvents();
        EXPECT_EQ(object.reads.load(), 3) << "the start-up read, the one the flood began, the one it left pending";
        server.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("dnd-flood-client"));
    QDBusConnection::disconnectFromBus(QStringLiteral("dnd-flood-server"));
}
