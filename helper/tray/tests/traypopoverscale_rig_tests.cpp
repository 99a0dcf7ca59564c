// The real popover of tarnwick-helper on a 1280×800 screen under xfce4-panel (a 30-pixel panel along
// the top), at Qt scale factors 1, 1.5 and 2: opened by a click on the item through the panel, filled
// with a code, a sign-in banner and a long list, it must lie wholly on the screen and below the panel
// (judged from the window's geometry; screenshots kept for review). Then the keyboard alone: typing
// "invoice" and Enter gives exactly one tray.search with that query; opened again, Tab to the first
// row and Enter gives tray.showThread for it.

#include <QImage>
#include <cmath>
#include <gtest/gtest.h>

#include "tarnwick/testing/eventwait.h"
#include "tarnwick/testing/subprocess.h"
#include "tarnwick/testing/tempdir.h"
#include "xfcepanelrig.h"

using tarnwick::test::Geometry;
using tarnwick::test::XfcePanelRig;
using tarnwick::testing::Subprocess;
using tarnwick::testing::TempDir;

namespace {

constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 800;

std::string messagesFor(const std::string& account, int count)
{
    std::string list;
    for (int i = 0; i < count; ++i) {
        if (i)
            list += ",";
        const std::string n = std::to_string(i);
        list += R"({"id":")" + account + n + R"(","threadId":"t)" + account + n +
                R"(","from":"Sender )" + n + R"( <s@x>","subject":"Subject line number )" + n +
                R"(","internalDate":"1700000000000","labelIds":["UNREAD"],"category":"updates"})";
    }
    return R"({"method":"tray.messages","params":{"accountId":")" + account + R"(","messages":[)" + list + "]}}";
}

std::optional<Geometry> popoverGeometry(const XfcePanelRig& rig)
{
    const std::string id = rig.xdotool({"search", "--onlyvisible", "--name", "^Tarnwick$"});
    if (id.empty())
        return std::nullopt;
    return tarnwick::test::parseGeometry(rig.xdotool({"getwindowgeometry", "--shell", id.substr(0, id.find('\n'))}));
}

class PopoverScaleTest : public ::testing::TestWithParam<double> {};

} // namespace

TEST_P(PopoverScaleTest, TheWholePopoverIsOnScreenBelowThePanelAndWorksFromTheKeyboard)
{
    if (tarnwick::testing::programOnPath("xfce4-panel") == "xfce4-panel" ||
        tarnwick::testing::programOnPath("xdotool") == "xdotool")
        GTEST_SKIP() << "xfce4-panel and xdotool are installed by scripts/setup.sh";
    const double scale = GetParam();
    const std::string tag = "popover-scale-" + std::to_string(int(scale * 10));
    XfcePanelRig rig(0.12, QSize(kScreenWidth, kScreenHeight));
    ASSERT_TRUE(rig.start()) << rig.failure;
    const QImage empty = rig.screenshot(tag + "-empty.png");
    const QRgb background = empty.pixel(empty.width() / 2, tarnwick::test::kPanelHeight / 2);

    TempDir tmp;
    char factor[16];
    std::snprintf(factor, sizeof factor, "%g", scale);
    Subprocess helper(tarnwick::testing::builtProgram("helper/tarnwick-helper"), {},
                      rig.options({{"QT_QPA_PLATFORM", "xcb"}, {"QT_SCALE_FACTOR", factor},
                                   {"TMPDIR", tmp.path().string()}}));
    helper.write(R"({"id":1,"method":"tray.create"})" "\n"
                 R"({"id":2,"method":"tray.update","params":{"accounts":[{"id":"w","name":"Work","color":"#2563eb","unreadCount":12},{"id":"h","name":"Home","color":"#16a34a","needsAuth":true}],"totalUnread":12,"verificationCode":{"code":"482913","service":"Figma","subject":"Your login code","messageId":"m9","threadId":"t9","accountId":"w"}}})" "\n");
    ASSERT_TRUE(helper.waitForStderr("I|Tray|Tray host is ")) << helper.stderrText();

    std::optional<QRect> item;
    ASSERT_TRUE(tarnwick::testing::pollUntil([&] {
        item = tarnwick::test::itemBounds(rig.screenshot(tag + "-item.png"), background);
        return item.has_value();
    })) << "no item on the panel; helper log:\n" << helper.stderrText();

    const QPoint centre = item->center();
    rig.xdotool({"mousemove", std::to_string(centre.x()), std::to_string(centre.y()), "click", "1"});
    ASSERT_TRUE(helper.readLineUntil([](const std::string& l) { return l == R"({"method":"tray.popoverOpened"})"; }))
        << helper.stderrText();
    // The list arrives once the popover is open, as from the main application; the popover grows.
    helper.write(messagesFor("w", 14) + "\n");
    std::optional<Geometry> popover;
    int settledHeight = -1;
    int steady = 0;
    ASSERT_TRUE(tarnwick::testing::pollUntil([&] {
        popover = popoverGeometry(rig);
        if (!popover)
            return false;
        steady = popover->height == settledHeight ? steady + 1 : 0;
        settledHeight = popover->height;
        return steady >= 3 && popover->height > 300 * scale;
    })) << "no full popover on screen; helper log:\n" << helper.stderrText();
    rig.screenshot(tag + ".png");

    const QRect window(popover->x, popover->y, popover->width, popover->height);
    const QRect screen(0, 0, kScreenWidth, kScreenHeight);
    EXPECT_TRUE(screen.contains(window)) << "popover at " << window.x() << "," << window.y() << " "
                                         << window.width() << "x" << window.height();
    EXPECT_GE(window.top(), tarnwick::test::kPanelHeight) << "below the panel, not over the item";
    EXPECT_LE(window.top(), tarnwick::test::kPanelHeight + 10 * scale + 1) << "right below the panel";
    EXPECT_NEAR(window.width(), 340 * scale, 1.0);
    // At 1× the list's own cap of 320 ends it first; larger, the list takes all the room there is.
    if (scale > 1) {
        EXPECT_GE(window.bottom(), kScreenHeight - 60 * scale) << "a long list uses the screen";
    }
    EXPECT_LE(std::abs(window.center().x() - centre.x()), window.width() / 2) << "by the item";

    // The keyboard is in the search field from the start.
    rig.xdotool({"type", "--delay", "20", "invoice"});
    rig.xdotool({"key", "Return"});
    ASSERT_TRUE(helper.readLineUntil([](const std::string& l) { return l.find("\"tray.search\"") != std::string::npos; }))
        << helper.stderrText();
    helper.write(R"({"id":3,"method":"tray.update","params":{"accounts":[]}})" "\n");
    ASSERT_TRUE(helper.readLineUntil([](const std::string& l) { return l == R"({"id":3,"result":"ok"})"; }));
    int searches = 0;
    std::string search;
    for (const std::string& line : helper.skipped())
        if (line.find("\"tray.search\"") != std::string::npos) {
            ++searches;
            search = line;
        }
    EXPECT_EQ(searches, 0) << "only one search: " << search;

    // Opened again: Tab goes from the search field to Sign In, then to the first row; Enter opens
    // its thread as a click would.
    helper.write(R"({"id":4,"method":"tray.update","params":{"accounts":[{"id":"w","name":"Work","color":"#2563eb","unreadCount":12},{"id":"h","name":"Home","color":"#16a34a","needsAuth":true}],"totalUnread":12}})" "\n" +
                 messagesFor("w", 3) + "\n");
    ASSERT_TRUE(helper.readLineUntil([](const std::string& l) { return l == R"({"id":4,"result":"ok"})"; }));
    // The panel takes a press on an item the pointer has entered since the popover let it go.
    rig.xdotool({"mousemove", "5", "400", "sleep", "0.3", "mousemove", std::to_string(centre.x()),
                 std::to_string(centre.y()), "sleep", "0.3", "click", "1"});
    ASSERT_TRUE(helper.readLineUntil([](const std::string& l) { return l == R"({"method":"tray.popoverOpened"})"; }))
        << helper.stderrText();
    ASSERT_TRUE(tarnwick::testing::pollUntil([&] { return popoverGeometry(rig).has_value(); }));
    helper.write(messagesFor("w", 3) + "\n");
    ASSERT_TRUE(tarnwick::testing::pollUntil([&] {
        const auto shown = popoverGeometry(rig);
        return shown && shown->height > 250 * scale;
    })) << "the list did not come";
    rig.xdotool({"key", "--delay", "50", "Tab", "Tab", "Return"});
    const auto opened =
        helper.readLineUntil([](const std::string& l) { return l.find("\"tray.showThread\"") != std::string::npos; });
    ASSERT_TRUE(opened) << helper.stderrText();
    EXPECT_EQ(*opened, R"({"method":"tray.showThread","params":{"accountId":"w","threadId":"tw0"}})");
}

INSTANTIATE_TEST_SUITE_P(Scales, PopoverScaleTest, ::testing::Values(1.0, 1.5, 2.0),
                         [](const auto& info) { return "Scale" + std::to_string(int(info.param * 10)); });
