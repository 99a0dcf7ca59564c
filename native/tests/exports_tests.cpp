// The twelve exports through dlopen, in a process that has its own QApplication: toolbar work is
// queued to this (the UI) thread and applied in call order; actions come back through the callback.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QMainWindow>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "nativelibrary.h"
#include "tarnwick/native/accountsegmentedcontrol.h"
#include "tarnwick/native/itemvalidation.h"
#include "tarnwick/native/widgetreloader.h"
#include "tarnwick/testing/tempdir.h"
#include "tarnwick_widgets_interface.h"

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
    QDBusConnection bus = QDBusConnection::sessionBus();
    ASSERT_TRUE(bus.isConnected()) << "run under scripts/with-session.sh";
    ComFenmoorlabTarnwickWidgetsInterface listener(QString(), QString::fromLatin1(WidgetReloader::kPath), bus);
    QSignalSpy spy(&listener, &ComFenmoorlabTarnwickWidgetsInterface::reloadAllTimelines);
    lib().reloadAll();
    EXPECT_EQ(spy.count(), 0) << "queued, not sent inside the export";
    // The widget host's tests broadcast the same signal; they share this test's resource lock.
    ASSERT_TRUE(spy.wait(10000));
    EXPECT_GE(spy.count(), 1);
}
