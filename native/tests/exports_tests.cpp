// The twelve exports through dlopen, in a process that has its own QApplication: toolbar work is
// queued to this (the UI) thread and applied in call order; actions come back through the callback.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QMainWindow>
#include <QTest>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>

#include <gio/gio.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <future>
#include <thread>

#include "nativelibrary.h"
#include "tarnwick/native/accountsegmentedcontrol.h"
#include "tarnwick/native/itemvalidation.h"
#include "tarnwick/native/widgetreloader.h"
#include "tarnwick/testing/tempdir.h"

using namespace tarnwick::native;
using Actions = std::vector<std::pair<std::string, std::string>>;

namespace {

Actions g_actions;
void record(const char* a, const char* p)
{
    g_actions.emplace_back(a, p ? p : "<null>");
}

NativeLibrary& lib()
{
    static NativeLibrary library;
    static const bool opened = library.open();
    EXPECT_TRUE(opened) << ::dlerror();
    return library;
}

// Lets queued exports run on this thread.
void settle()
{
    bool done = false;
    QMetaObject::invokeMethod(qApp, [&] { done = true; }, Qt::QueuedConnection);
    ASSERT_TRUE(QTest::qWaitFor([&] { return done; }, 5000));
}

QToolButton* toolButton(QMainWindow& window, const char* name)
{
    return window.findChild<QToolButton*>(name);
}

// Counts widget reload broadcasts on a bus connection of its own, served on a thread of its own, so
// what it counts never waits for this thread's event loop.
class OffThreadReloadCounter {
public:
    OffThreadReloadCounter()
    {
        std::promise<bool> ready;
        auto started = ready.get_future();
        m_thread = std::thread([this, &ready] { run(ready); });
        m_listening = started.get();
    }
    ~OffThreadReloadCounter()
    {
        g_main_context_invoke(m_context, +[](gpointer loop) {
            g_main_loop_quit(static_cast<GMainLoop*>(loop));
            return G_SOURCE_REMOVE;
        }, m_loop);
        m_thread.join();
    }
    bool listening() const { return m_listening; }
    int count() const { return m_count.load(); }

private:
    void run(std::promise<bool>& ready)
    {
        m_context = g_main_context_new();
        m_loop = g_main_loop_new(m_context, FALSE);
        g_main_context_push_thread_default(m_context);
        gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
        GDBusConnection* connection = address ? g_dbus_connection_new_for_address_sync(
            address, GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, nullptr) : nullptr;
        g_free(address);
        guint subscription = 0;
        if (connection) {
            subscription = g_dbus_connection_signal_subscribe(
                connection, nullptr, "com.fenmoorlab.tarnwick.widgets", "reloadAllTimelines", WidgetReloader::kPath,
                nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
                +[](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant*, gpointer self) {
                    ++static_cast<OffThreadReloadCounter*>(self)->m_count;
                }, this, nullptr);
            // A round trip: the bus has the match rule before anything is broadcast.
            GVariant* id = g_dbus_connection_call_sync(connection, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                       "org.freedesktop.DBus", "GetId", nullptr, nullptr,
                                                       G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
            if (id)
                g_variant_unref(id);
        }
        ready.set_value(connection != nullptr);
        g_main_loop_run(m_loop);
        if (connection) {
            g_dbus_connection_signal_unsubscribe(connection, subscription);
            g_object_unref(connection);
        }
        g_main_context_pop_thread_default(m_context);
        g_main_loop_unref(m_loop);
        g_main_context_unref(m_context);
    }

    std::thread m_thread;
    GMainContext* m_context = nullptr;
    GMainLoop* m_loop = nullptr;
    std::atomic<int> m_count{0};
    bool m_listening = false;
};

class ExportsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(lib().resolved, 12);
        g_actions.clear();
        lib().setCallback(record);
        content = new QTextEdit;
        window.setCentralWidget(content);
        window.resize(800, 300);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    void TearDown() override
    {
        lib().detach();
        settle();
        lib().setCallback(nullptr);
    }

    QMainWindow window;
    QTextEdit* content = nullptr;
};

} // namespace

TEST_F(ExportsTest, AttachFindsTheWindowOfTheContentWidgetLaterOnThisThread)
{
    lib().attach(content);
    EXPECT_TRUE(window.findChildren<QToolBar*>().isEmpty()) << "never inside the export";
    settle();
    ASSERT_EQ(window.findChildren<QToolBar*>().size(), 1);
    EXPECT_EQ(window.findChildren<QToolBar*>()[0]->objectName(), "TarnwickToolbar");

    QTest::mouseClick(toolButton(window, "compose"), Qt::LeftButton);
    EXPECT_EQ(g_actions, (Actions{{"newMessage", ""}}));

    lib().detach();
    settle();
    EXPECT_TRUE(window.findChildren<QToolBar*>().isEmpty());
}

TEST_F(ExportsTest, HandlesThatAreNoMainWindowWidgetAreIgnored)
{
    int notAWidget = 0;
    lib().attach(&notAWidget);
    lib().attach(nullptr);
    QWidget loose;
    lib().attach(&loose);
    auto* gone = new QWidget(&window);
    lib().attach(gone);
    delete gone;
    settle();
    EXPECT_TRUE(window.findChildren<QToolBar*>().isEmpty());
    EXPECT_TRUE(loose.findChildren<QToolBar*>().isEmpty());
}

TEST_F(ExportsTest, ArgumentsAreCopiedBeforeTheCallReturns)
{
    lib().updateLabels(R"({"labels":{"toolbar.account.unread":"{name}: {count}"}})");
    char* json = ::strdup(R"({"accounts":[{"id":"a","name":"Home","unreadCount":3},{"id":"b","name":"Work"}],"activeAccountId":"b"})");
    lib().updateAccounts(json);
    std::memset(json, 'x', std::strlen(json));
    std::free(json);
    char* id = ::strdup("print");
    lib().setItemEnabled(id, true);
    std::free(id);
    lib().attach(content);
    settle();
    auto* control = window.findChild<AccountSegmentedControl*>();
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->segmentCount(), 2);
    EXPECT_EQ(control->selectedSegment(), 1);
    EXPECT_EQ(control->segmentToolTip(0), "Home: 3");
    EXPECT_TRUE(toolButton(window, "print")->isEnabled());
}

TEST_F(ExportsTest, QueuedCallsApplyInOrder)
{
    lib().attach(content);
    lib().setItemEnabled("share", true);
    lib().setItemEnabled("share", false);
    lib().setItemEnabled("print", false);
    lib().setItemEnabled("print", true);
    settle();
    EXPECT_FALSE(toolButton(window, "share")->isEnabled());
    EXPECT_TRUE(toolButton(window, "print")->isEnabled());
    EXPECT_FALSE(ItemValidation::shared().isEnabled("share"));
}

TEST_F(ExportsTest, OnlyTheLowestBitOfTheFlagCounts)
{
    // Callers in other languages may leave garbage above bit 0 of a C bool.
    auto raw = reinterpret_cast<void (*)(const char*, unsigned char)>(::dlsym(lib().handle, "toolbar_set_item_enabled"));
    ASSERT_NE(raw, nullptr);
    raw("reply", 3);
    settle();
    EXPECT_TRUE(ItemValidation::shared().isEnabled("reply"));
    raw("reply", 2);
    settle();
    EXPECT_FALSE(ItemValidation::shared().isEnabled("reply"));
}

TEST_F(ExportsTest, NullStringsAreIgnored)
{
    lib().updateAccounts(nullptr);
    lib().updateLabels(nullptr);
    lib().setItemEnabled(nullptr, true);
    lib().setShareUrl(nullptr);
    EXPECT_EQ(lib().groupContainerPath(nullptr), nullptr);
    lib().runCustomization();
    settle();
    EXPECT_TRUE(g_actions.empty());
}

TEST(ExportsStrings, GroupAndContainerLookups)
{
    tarnwick::testing::TempDir dir;
    ASSERT_EQ(::setenv("XDG_DATA_HOME", dir.path().c_str(), 1), 0);
    char* path = lib().groupContainerPath("TEAMID.group.com.fenmoorlab.tarnwick");
    ASSERT_NE(path, nullptr);
    const auto expected = dir.path() / "group-containers" / "TEAMID.group.com.fenmoorlab.tarnwick";
    EXPECT_EQ(std::string(path), expected.string());
    EXPECT_TRUE(std::filesystem::is_directory(expected));
    std::free(path);
    for (const char* bad : {"", "..", "../escape", "a/b"})
        EXPECT_EQ(lib().groupContainerPath(bad), nullptr) << bad;
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "escape"));

    // This build has no application group compiled in.
    char* group = lib().appGroupIdentifier();
    if (std::string(TARNWICK_APP_GROUP).empty()) {
        EXPECT_EQ(group, nullptr);
    } else {
        ASSERT_NE(group, nullptr);
        EXPECT_EQ(std::string(group), TARNWICK_APP_GROUP);
    }
    std::free(group);
}

TEST(ExportsWidgets, ReloadIsASignalOnTheSessionBus)
{
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "run under scripts/with-session.sh";
    OffThreadReloadCounter counter;
    ASSERT_TRUE(counter.listening());
    lib().reloadAll();
    // This thread's loop stays still: a broadcast sent inside the export would reach the counter's
    // thread meanwhile.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(counter.count(), 0) << "queued, not sent inside the export";
    // The widget host's tests broadcast the same signal; they share this test's resource lock.
    ASSERT_TRUE(QTest::qWaitFor([&] { return counter.count() >= 1; }, 10000));
}
