// tarnwick-helper in a real desktop tray: xfce4-panel on the test's own Xvfb, with a dark and a light
// panel. The item is judged from a screenshot (the glyph stands out from the panel, the badge's digits
// are at least 8 pixels tall) and clicked through the panel; the popover must open next to it.

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QImage>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <sstream>

#include "tarnwick/testing/eventwait.h"
#include "tarnwick/testing/subprocess.h"
#include "tarnwick/testing/tempdir.h"
#include "traypixels.h"
#include "xfcepanelrig.h"

using tarnwick::test::badgeBounds;
using tarnwick::test::contrast;
using tarnwick::test::isBadge;
using tarnwick::testing::Subprocess;
using tarnwick::testing::TempDir;
using tarnwick::test::Geometry;
using tarnwick::test::itemBounds;
using tarnwick::test::kPanelHeight;
using tarnwick::test::parseGeometry;
using tarnwick::test::XfcePanelRig;

namespace {

class XfcePanelTrayTest : public ::testing::TestWithParam<double> {};

} // namespace

TEST_P(XfcePanelTrayTest, TheItemIsLegibleAndItsPopoverOpensBesideIt)
{
    if (tarnwick::testing::programOnPath("xfce4-panel") == "xfce4-panel" ||
        tarnwick::testing::programOnPath("xdotool") == "xdotool")
        GTEST_SKIP() << "xfce4-panel and xdotool are installed by scripts/setup.sh";
    const double shade = GetParam();
    const std::string tag = shade < 0.5 ? "dark" : "light";
    XfcePanelRig rig(shade);
    ASSERT_TRUE(rig.start()) << rig.failure;

    const QImage empty = rig.screenshot("xfce-" + tag + "-empty.png");
    const QRgb background = empty.pixel(empty.width() / 2, kPanelHeight / 2);

    TempDir tmp;
    Subprocess helper(tarnwick::testing::builtProgram("helper/tarnwick-helper"), {},
                      rig.options({{"QT_QPA_PLATFORM", "xcb"}, {"TMPDIR", tmp.path().string()}}));
    helper.write(R"({"id":1,"method":"tray.create"})" "\n"
                 R"({"id":2,"method":"tray.update","params":{"accounts":[{"id":"w","name":"Work","color":"#2563eb","unreadCount":3},{"id":"h","name":"Home","color":"#16a34a","unreadCount":12}],"totalUnread":15}})" "\n");
    ASSERT_TRUE(helper.waitForStderr("I|Tray|Tray host is ")) << helper.stderrText();

    // The panel loads the picture on its own time: wait for the badge to appear.
    QImage shot;
    std::optional<QRect> item;
    ASSERT_TRUE(tarnwick::testing::pollUntil([&] {
        shot = rig.screenshot("xfce-" + tag + "-item.png");
        item = itemBounds(shot, background);
        if (!item)
            return false;
        for (int y = item->top(); y <= item->bottom(); ++y)
            for (int x = item->left(); x <= item->right(); ++x)
                if (isBadge(shot.pixel(x, y)))
                    return true;
        return false;
    })) << "no badge on the panel; helper log:\n" << helper.stderrText();

    // The glyph: pixels outside the badge that stand out from the panel.
    const QRect badge = badgeBounds(shot, *item);
    const int glyphPixels = tarnwick::test::glyphPixels(shot, *item, background, badge);
    EXPECT_GE(glyphPixels, 20) << "the glyph must contrast with the " << tag << " panel; helper log:\n"
                               << helper.stderrText();

    // The badge's digits: light pixels with the pill's red to their left and right in the same row
    // (the pill's rim, light against a light panel, has no red outside it).
    auto redToward = [&](int x, int y, int dx, int dy) {
        for (x += dx, y += dy; badge.contains(x, y); x += dx, y += dy)
            if (isBadge(shot.pixel(x, y)))
                return true;
        return false;
    };
    int top = INT_MAX, bottom = INT_MIN;
    for (int y = badge.top(); y <= badge.bottom(); ++y)
        for (int x = badge.left(); x <= badge.right(); ++x) {
            const QRgb c = shot.pixel(x, y);
            if (qRed(c) > 215 && qGreen(c) > 215 && qBlue(c) > 215 && redToward(x, y, -1, 0) &&
                redToward(x, y, 1, 0)) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    ASSERT_LE(top, bottom) << "no digits in the badge";
    EXPECT_GE(bottom - top + 1, 8) << "digits of the badge, in pixels";

    // A click through the panel opens the popover right by the item.
    const QPoint centre = item->center();
    rig.xdotool({"mousemove", std::to_string(centre.x()), std::to_string(centre.y()), "click", "1"});
    ASSERT_TRUE(helper.readLineUntil([](const std::string& l) { return l == R"({"method":"tray.popoverOpened"})"; }))
        << helper.stderrText();
    std::optional<Geometry> popover;
    ASSERT_TRUE(tarnwick::testing::pollUntil([&] {
        const std::string id = rig.xdotool({"search", "--onlyvisible", "--name", "^Tarnwick$"});
        if (id.empty())
            return false;
        popover = parseGeometry(
            rig.xdotool({"getwindowgeometry", "--shell", id.substr(0, id.find('\n'))}));
        return popover.has_value();
    })) << "no popover window on screen";
    rig.screenshot("xfce-" + tag + "-popover.png");
    const QRect window(popover->x, popover->y, popover->width, popover->height);
    const int dx = centre.x() < window.left() ? window.left() - centre.x()
                   : centre.x() > window.right() ? centre.x() - window.right()
                                                 : 0;
    const int dy = centre.y() < window.top() ? window.top() - item->bottom() : item->top() - window.bottom();
    EXPECT_LE(dx, 50) << "popover at x " << window.left() << ".." << window.right() << ", item at " << centre.x();
    EXPECT_LE(std::max(dy, 0), 50) << "popover at y " << window.top() << ", item bottom " << item->bottom();
    EXPECT_EQ(window.width(), 340);
}

INSTANTIATE_TEST_SUITE_P(Panels, XfcePanelTrayTest, ::testing::Values(0.12, 0.93),
                         [](const auto& info) { return info.param < 0.5 ? "Dark" : "Light"; });
