// The toolbar in a foreign X11 window, as in the main application whose window is Chromium's: the
// handle is an X11 window id, the library runs its own UI thread on the test's Xvfb. The host
// window here is a plain X window made on a connection of the test's own.
#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QToolButton>
#include <QToolTip>
#include <QWindow>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <future>
#include <mutex>
#include <sstream>
#include <thread>

#include "nativelibrary.h"
#include "tarnwick/native/accountsegmentedcontrol.h"
#include "tarnwick/native/toolbartooltips.h"
#include "tarnwick/native/uithread.h"
#include "tarnwick/testing/subprocess.h"
#include "xvfbserver.h"

using namespace std::chrono;
using Actions = std::vector<std::pair<std::string, std::string>>;

namespace {

std::mutex g_mutex;
std::condition_variable g_changed;
Actions g_actions;

void record(const char* a, const char* p)
{
    {
        std::lock_guard lock(g_mutex);
        g_actions.emplace_back(a, p);
    }
    g_changed.notify_all();
}

bool waitFor(const std::function<bool()>& condition, milliseconds timeout = seconds(10))
{
    const auto deadline = steady_clock::now() + timeout;
    while (steady_clock::now() < deadline) {
        if (condition())
            return true;
        std::this_thread::sleep_for(milliseconds(20));
    }
    return condition();
}

// Waits until everything queued to the UI thread before it has run.
void settle()
{
    std::promise<void> done;
    auto finished = done.get_future();
    tarnwick::native::runOnUiThread([&] { done.set_value(); });
    ASSERT_EQ(finished.wait_for(seconds(20)), std::future_status::ready);
}

// The value of `f` run on the UI thread.
template <typename F>
auto onUiThread(F f)
{
    std::promise<decltype(f())> result;
    auto value = result.get_future();
    tarnwick::native::runOnUiThread([&] { result.set_value(f()); });
    if (value.wait_for(seconds(20)) != std::future_status::ready)
        std::abort();
    return value.get();
}

Actions actionsNamed(std::string_view name)
{
    std::lock_guard lock(g_mutex);
    Actions found;
    for (const auto& a : g_actions) {
        if (a.first == name)
            found.push_back(a);
    }
    return found;
}

// What the library writes to standard error while it lives.
class StderrCapture {
public:
    StderrCapture()
    {
        std::fflush(stderr);
        m_saved = ::dup(2);
        m_path = "/tmp/tarnwick-stderr-" + std::to_string(::getpid());
        const int fd = ::open(m_path.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0600);
        ::dup2(fd, 2);
        ::close(fd);
    }
    ~StderrCapture()
    {
        std::fflush(stderr);
        ::dup2(m_saved, 2);
        ::close(m_saved);
        ::unlink(m_path.c_str());
    }
    std::string text() const
    {
        std::ifstream in(m_path);
        std::stringstream all;
        all << in.rdbuf();
        return all.str();
    }

private:
    int m_saved = -1;
    std::string m_path;
};

struct Geometry {
    int x = -1, y = -1, width = -1, height = -1;
    bool mapped = false;
};

class ForeignHostTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        server = new XvfbServer;
        ASSERT_FALSE(server->display().empty()) << "Xvfb did not start";
        // Before the library's thread starts: it picks its platform from the environment.
        ::setenv("DISPLAY", server->display().c_str(), 1);
        ::unsetenv("QT_QPA_PLATFORM");
        ::unsetenv("WAYLAND_DISPLAY");
        ::setenv("TARNWICK_ADDON_LOG_STDERR", "1", 1);
        lib = new NativeLibrary;
        ASSERT_TRUE(lib->open()) << ::dlerror();
        lib->setCallback(record);
        lib->updateAccounts(R"({"accounts":[{"id":"a","name":"Home"},{"id":"b","name":"Work"}],"activeAccountId":"a"})");
        x = xcb_connect(server->display().c_str(), nullptr);
        ASSERT_EQ(xcb_connection_has_error(x), 0);
        root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
    }

    void SetUp() override
    {
        std::lock_guard lock(g_mutex);
        g_actions.clear();
    }

    static xcb_window_t makeHostWindow(int width, int height)
    {
        const xcb_window_t window = xcb_generate_id(x);
        const std::uint32_t values[] = {0xffffffffu};
        xcb_create_window(x, XCB_COPY_FROM_PARENT, window, root, 40, 40, width, height, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXEL, values);
        xcb_map_window(x, window);
        xcb_flush(x);
        return window;
    }

    static std::vector<xcb_window_t> children(xcb_window_t window)
    {
        std::vector<xcb_window_t> result;
        if (auto* tree = xcb_query_tree_reply(x, xcb_query_tree(x, window), nullptr)) {
            const xcb_window_t* kids = xcb_query_tree_children(tree);
            result.assign(kids, kids + xcb_query_tree_children_length(tree));
            std::free(tree);
        }
        return result;
    }

    static Geometry geometry(xcb_window_t window)
    {
        Geometry g;
        if (auto* reply = xcb_get_geometry_reply(x, xcb_get_geometry(x, window), nullptr)) {
            g = {reply->x, reply->y, reply->width, reply->height, false};
            std::free(reply);
        }
        if (auto* attrs = xcb_get_window_attributes_reply(x, xcb_get_window_attributes(x, window), nullptr)) {
            g.mapped = attrs->map_state == XCB_MAP_STATE_VIEWABLE;
            std::free(attrs);
        }
        return g;
    }

    // The one mapped child the library put into `host`, or 0.
    static xcb_window_t strip(xcb_window_t host)
    {
        for (xcb_window_t child : children(host)) {
            if (geometry(child).mapped)
                return child;
        }
        return 0;
    }

    static void attach(xcb_window_t window) { lib->attach(reinterpret_cast<void*>(static_cast<std::uintptr_t>(window))); }

    static int xdotool(const std::vector<std::string>& args)
    {
        return tarnwick::testing::run(tarnwick::testing::programOnPath("xdotool"), args).status;
    }

    static inline XvfbServer* server = nullptr;
    static inline NativeLibrary* lib = nullptr;
    static inline xcb_connection_t* x = nullptr;
    static inline xcb_window_t root = 0;
};

} // namespace

TEST_F(ForeignHostTest, StripIsAChildAlongTheTopFollowsResizesAndTellsTheHostItsHeight)
{
    const xcb_window_t host = makeHostWindow(800, 500);
    attach(host);
    settle();
    xcb_window_t bar = 0;
    ASSERT_TRUE(waitFor([&] { return (bar = strip(host)) != 0; })) << "a mapped child strip inside the host window";
    Geometry g = geometry(bar);
    EXPECT_EQ(g.x, 0);
    EXPECT_EQ(g.y, 0);
    EXPECT_EQ(g.width, 800);
    const Actions heights = actionsNamed("toolbarHeight");
    ASSERT_EQ(heights.size(), 1u);
    EXPECT_EQ(heights[0].second, std::to_string(g.height)) << "the reported height is the strip's";
    EXPECT_GT(g.height, 20);
    EXPECT_LT(g.height, 100);

    // Attaching to the same window again changes nothing.
    attach(host);
    settle();
    EXPECT_EQ(strip(host), bar);

    const std::uint32_t size[] = {640, 420};
    xcb_configure_window(x, host, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
    xcb_flush(x);
    EXPECT_TRUE(waitFor([&] { return geometry(bar).width == 640; })) << "width now " << geometry(bar).width;
    EXPECT_EQ(actionsNamed("toolbarHeight").size(), 1u) << "a resize that keeps the height reports nothing";

    lib->detach();
    settle();
    EXPECT_TRUE(waitFor([&] { return strip(host) == 0; })) << "detach removes the strip";
    EXPECT_EQ(actionsNamed("toolbarHeight").back().second, "0");
    xcb_destroy_window(x, host);
    xcb_flush(x);
}

TEST_F(ForeignHostTest, SideButtonsOverTheHostWindowNavigateAndClicksReachTheToolbar)
{
    const xcb_window_t host = makeHostWindow(700, 400);
    attach(host);
    settle();
    xcb_window_t bar = 0;
    ASSERT_TRUE(waitFor([&] { return (bar = strip(host)) != 0; }));
    const Geometry g = geometry(bar);

    // Below the strip, over the host's own content (the host window sits at 40,40).
    ASSERT_EQ(xdotool({"mousemove", "300", std::to_string(40 + g.height + 150), "click", "8"}), 0);
    EXPECT_TRUE(waitFor([] { return actionsNamed("goBack").size() == 1; }));
    std::this_thread::sleep_for(milliseconds(200)); // past the debounce
    ASSERT_EQ(xdotool({"click", "9"}), 0);
    EXPECT_TRUE(waitFor([] { return actionsNamed("goForward").size() == 1; }));
    // Outside the host window nothing navigates.
    ASSERT_EQ(xdotool({"mousemove", "900", "700", "click", "8"}), 0);
    std::this_thread::sleep_for(milliseconds(300));
    settle();
    EXPECT_EQ(actionsNamed("goBack").size(), 1u);

    // The compose button is the first one after the account switcher and the flexible space:
    // the right part of the strip holds compose, share, print. A click there is one action.
    const int y = 40 + g.height / 2;
    bool composed = false;
    for (int px = 40 + 700 - 10; px > 40 + 350 && !composed; px -= 8) {
        xdotool({"mousemove", std::to_string(px), std::to_string(y), "click", "1"});
        composed = waitFor([] { return !actionsNamed("newMessage").empty(); }, milliseconds(150));
    }
    EXPECT_TRUE(composed) << "a click on the strip reaches the compose button";
    settle();
    EXPECT_EQ(actionsNamed("newMessage"), (Actions{{"newMessage", ""}}));

    lib->detach();
    settle();
    xcb_destroy_window(x, host);
    xcb_flush(x);
}

TEST_F(ForeignHostTest, ClosingTheHostWindowRemovesTheToolbarAndAnotherWindowCanBeAttached)
{
    StderrCapture log;
    const xcb_window_t first = makeHostWindow(500, 300);
    attach(first);
    settle();
    ASSERT_TRUE(waitFor([&] { return strip(first) != 0; }));
    xcb_destroy_window(x, first);
    xcb_flush(x);
    EXPECT_TRUE(waitFor([] { return !actionsNamed("toolbarHeight").empty() && actionsNamed("toolbarHeight").back().second == "0"; }));
    EXPECT_TRUE(waitFor([&] { return log.text().find("W|NativeToolbar|The toolbar's host window was closed") != std::string::npos; }))
        << log.text();

    const xcb_window_t second = makeHostWindow(400, 300);
    attach(second);
    settle();
    EXPECT_TRUE(waitFor([&] { return strip(second) != 0; }));
    lib->detach();
    settle();
    xcb_destroy_window(x, second);
    xcb_flush(x);
}

TEST_F(ForeignHostTest, HandlesNamingNoWindowAreLoggedAndIgnored)
{
    StderrCapture log;
    const xcb_window_t host = makeHostWindow(300, 200);
    const xcb_window_t gone = xcb_generate_id(x); // an id that names nothing
    attach(gone);
    lib->attach(reinterpret_cast<void*>(std::uintptr_t{0x7f00deadbeef})); // beyond any X11 id
    settle();
    EXPECT_EQ(strip(host), 0u);
    EXPECT_TRUE(actionsNamed("toolbarHeight").empty());
    char expected[120];
    std::snprintf(expected, sizeof expected, "W|NativeToolbar|Ignoring window handle 0x%x: it is neither a widget of this process nor an X11 window", gone);
    const std::string text = log.text();
    EXPECT_NE(text.find(expected), std::string::npos) << text;
    EXPECT_NE(text.find("Ignoring window handle 0x7f00deadbeef: it is neither"), std::string::npos) << text;
    xcb_destroy_window(x, host);
    xcb_flush(x);
}

TEST_F(ForeignHostTest, TooltipsShowInTheStripWhileTheHostHasTheKeyboardAndLongOnesWrap)
{
    lib->updateLabels(R"({"labels":{"toolbar.account.unread":"{name}: {count} unread conversations, the newest from the quarterly review committee about next year's budget{shortcut}"}})");
    lib->updateAccounts(R"({"accounts":[{"id":"a","name":"Home"},{"id":"b","name":"Work","unreadCount":12}],"activeAccountId":"a"})");
    const xcb_window_t host = makeHostWindow(900, 400);
    attach(host);
    settle();
    ASSERT_TRUE(waitFor([&] { return strip(host) != 0; }));
    // The host's window holds the keyboard, as the Chromium window around the strip does.
    xcb_set_input_focus(x, XCB_INPUT_FOCUS_POINTER_ROOT, host, XCB_CURRENT_TIME);
    xcb_flush(x);

    struct Target {
        QPoint centre;
        QString toolTip;
    };
    const auto target = [] {
        return onUiThread([] {
            for (QWidget* top : QApplication::topLevelWidgets()) {
                if (top->objectName() != QStringLiteral("toolbarStrip"))
                    continue;
                if (auto* control = top->findChild<tarnwick::native::AccountSegmentedControl*>()) {
                    QToolButton* work = control->segmentButton(1);
                    return Target {work->mapToGlobal(work->rect().center()), work->toolTip()};
                }
            }
            return Target {};
        });
    };
    Target work;
    ASSERT_TRUE(waitFor([&] { return !(work = target()).toolTip.isEmpty(); })) << "the Work segment in the strip";
    EXPECT_EQ(onUiThread([] { return QApplication::activeWindow() == nullptr; }), true) << "the strip is not the active window";

    ASSERT_EQ(xdotool({"mousemove", std::to_string(work.centre.x() - 2), std::to_string(work.centre.y())}), 0);
    ASSERT_EQ(xdotool({"mousemove", std::to_string(work.centre.x()), std::to_string(work.centre.y())}), 0);
    EXPECT_TRUE(waitFor([] { return onUiThread([] { return QToolTip::isVisible(); }); }, seconds(5)))
        << "the hovered segment's tooltip shows";
    EXPECT_EQ(onUiThread([] { return QToolTip::text(); }),
              tarnwick::native::wrappedToolTip(work.toolTip, onUiThread([] { return QToolTip::font(); })));
    const QRect tip = onUiThread([] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->objectName() == QStringLiteral("qtooltip_label") && top->isVisible())
                return top->geometry();
        }
        return QRect();
    });
    EXPECT_FALSE(tip.isEmpty());
    EXPECT_LE(tip.width(), tarnwick::native::kToolTipWidth + 24) << "a long tooltip is wrapped";
    EXPECT_GT(tip.height(), 2 * onUiThread([] { return QFontMetrics(QToolTip::font()).height(); }));
    EXPECT_GT(tip.top(), work.centre.y()) << "below the pointer";

    // The review image, once the tip's window is drawn.
    waitFor([] {
        return onUiThread([] {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (top->objectName() == QStringLiteral("qtooltip_label") && top->windowHandle() && top->windowHandle()->isExposed())
                    return true;
            return false;
        });
    }, seconds(3));
    std::this_thread::sleep_for(milliseconds(300));
    const QImage screen = onUiThread([] { return QGuiApplication::primaryScreen()->grabWindow(0).toImage(); });
    QDir().mkpath(QStringLiteral(TARNWICK_REVIEW_DIR));
    EXPECT_TRUE(screen.copy(0, 0, 1000, 300).save(QStringLiteral(TARNWICK_REVIEW_DIR "/native-strip-tooltip.png")));

    lib->detach();
    settle();
    xcb_destroy_window(x, host);
    xcb_flush(x);
}
