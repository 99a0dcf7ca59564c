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
#include "traypixels.h"
#include "tarnwick/testing/privatebus.h"
#include "tarnwick/testing/subprocess.h"
#include "tarnwick/testing/tempdir.h"

using tarnwick::testing::PrivateBus;
using tarnwick::test::badgeBounds;
using tarnwick::test::contrast;
using tarnwick::test::isBadge;
using tarnwick::testing::Subprocess;
using tarnwick::testing::TempDir;

namespace {

constexpr int kPanelHeight = 30;
constexpr const char* kXfconfd = "/usr/lib/x86_64-linux-gnu/xfce4/xfconf/xfconfd";

// The panel of scripts/xfce4-panel-top.xml in the given grey.
std::string panelConfig(double shade)
{
    std::string config = tarnwick::testing::readFile(TARNWICK_PANEL_CONFIG);
    const std::string value = std::to_string(shade);
    for (std::size_t at; (at = config.find("@SHADE@")) != std::string::npos;)
        config.replace(at, 7, value);
    return config;
}

struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
};

std::optional<Geometry> parseGeometry(const std::string& shell)
{
    Geometry g;
    int found = 0;
    std::istringstream in(shell);
    for (std::string line; std::getline(in, line);) {
        auto value = [&](const char* key, int& out) {
            if (line.rfind(key, 0) == 0) {
                out = std::stoi(line.substr(std::string(key).size()));
                ++found;
            }
        };
        value("X=", g.x);
        value("Y=", g.y);
        value("WIDTH=", g.width);
        value("HEIGHT=", g.height);
    }
    return found == 4 ? std::optional(g) : std::nullopt;
}

class XfcePanelRig {
public:
    explicit XfcePanelRig(double shade)
        : m_shade(shade)
    {
    }

    ~XfcePanelRig() { QDBusConnection::disconnectFromBus(kBusName); }

    // Starts Xvfb, xfconfd and the panel, all on the rig's own bus; false (with the reason in
    // `failure`) when one of them fails.
    bool start()
    {
        if (m_bus.address().empty()) {
            failure = m_bus.failure();
            return false;
        }
        const QDBusConnection connection = QDBusConnection::connectToBus(QString::fromStdString(m_bus.address()), kBusName);
        if (!connection.isConnected()) {
            failure = "cannot reach the rig's bus";
            return false;
        }
        m_dir.write("config/xfce4/xfconf/xfce-perchannel-xml/xfce4-panel.xml", panelConfig(m_shade));
        m_x = std::make_unique<Subprocess>(tarnwick::testing::programOnPath("Xvfb"),
                                           std::vector<std::string>{"-displayfd", "1", "-screen", "0", "800x400x24",
                                                                    "-nolisten", "tcp"});
        const auto display = m_x->readLine(std::chrono::seconds(20));
        if (!display) {
            failure = "Xvfb did not start: " + m_x->stderrText();
            return false;
        }
        m_display = ":" + *display;
        const std::string config = (m_dir.path() / "config").string();
        m_env = {{"DISPLAY", m_display}, {"XDG_CONFIG_HOME", config}, {"XDG_CONFIG_DIRS", config},
                 {"NO_AT_BRIDGE", "1"}, {"GTK_A11Y", "none"}, {"DBUS_SESSION_BUS_ADDRESS", m_bus.address()}};
        m_xfconf = std::make_unique<Subprocess>(kXfconfd, std::vector<std::string>{}, options());
        auto bus = connection.interface();
        if (!tarnwick::testing::pollUntil([&] { return bus->isServiceRegistered("org.xfce.Xfconf").value(); })) {
            failure = "xfconfd did not start: " + m_xfconf->stderrText();
            return false;
        }
        m_panel = std::make_unique<Subprocess>(tarnwick::testing::programOnPath("xfce4-panel"),
                                               std::vector<std::string>{"--disable-wm-check"}, options());
        if (!tarnwick::testing::pollUntil(
                [&] { return bus->isServiceRegistered("org.kde.StatusNotifierWatcher").value(); })) {
            failure = "the panel's tray did not start: " + m_panel->stderrText();
            return false;
        }
        return true;
    }

    Subprocess::Options options(std::map<std::string, std::string> extra = {}) const
    {
        Subprocess::Options o;
        o.setEnv = m_env;
        for (auto& [k, v] : extra)
            o.setEnv[k] = v;
        return o;
    }

    QImage screenshot(const std::string& name) const
    {
        const std::string file = (m_dir.path() / name).string();
        tarnwick::testing::run(tarnwick::testing::programOnPath("import"), {"-window", "root", file}, options());
        QImage image(QString::fromStdString(file));
        // Kept for a person to look at; never compared.
        const QString review = QStringLiteral(TARNWICK_REVIEW_DIR);
        QDir().mkpath(review);
        image.save(review + "/" + QString::fromStdString(name));
        return image.convertToFormat(QImage::Format_RGB32);
    }

    std::string xdotool(const std::vector<std::string>& args) const
    {
        return tarnwick::testing::run(tarnwick::testing::programOnPath("xdotool"), args, options()).out;
    }

    std::string failure;

private:
    static inline const QString kBusName = QStringLiteral("xfce-rig-bus");
    double m_shade;
    PrivateBus m_bus;
    TempDir m_dir;
    std::string m_display;
    std::map<std::string, std::string> m_env;
    std::unique_ptr<Subprocess> m_x, m_xfconf, m_panel;
};

// The region of the panel that differs from its background: the tray item.
std::optional<QRect> itemBounds(const QImage& shot, QRgb background)
{
    QRect box;
    for (int y = 0; y < kPanelHeight; ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (contrast(shot.pixel(x, y), background) > 1.25)
                box |= QRect(x, y, 1, 1);
    return box.isEmpty() ? std::nullopt : std::optional(box);
}

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
