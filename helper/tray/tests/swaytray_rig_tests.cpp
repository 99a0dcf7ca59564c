// tarnwick-helper in waybar's tray on a headless sway, with a dark and a light bar. The item is
// judged from a grim screenshot (the glyph stands out from the bar, the counts beside it are at
// least 8 pixels tall), clicked through waybar with a virtual pointer (the popover must open next
// to it), and the code card's Copy button must reach the Wayland clipboard (read with wl-paste).
//
// sway refuses to run as root: under root the session (sway, waybar, the helper, wl-paste) runs as
// a dedicated system user, created once.

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QJsonDocument>
#include <QPalette>
#include <QTimer>
#include <algorithm>
#include <climits>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include "tarnwick/helper/swaypopoverplacement.h"
#include "tarnwick/testing/eventwait.h"
#include "traypixels.h"
#include "tarnwick/testing/privatebus.h"
#include "tarnwick/testing/subprocess.h"
#include "tarnwick/testing/tempdir.h"
#include "testnotificationserver.h"
#include "waylandvirtualpointer.h"

namespace fs = std::filesystem;
using tarnwick::testing::programOnPath;
using tarnwick::test::contrast;
using tarnwick::testing::Subprocess;
using tarnwick::testing::TempDir;

namespace {

constexpr int kBarHeight = 30;
constexpr int kWidth = 800, kHeight = 400;
constexpr const char* kRigUser = "tarnwick-rig";
constexpr const char* kCode = "482913";

// Screens and sway's tree announce nothing to this process: looked at again every 100 ms, for up
// to this long unless a call says otherwise.
constexpr std::chrono::seconds kRigWait{15};
bool pollUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = kRigWait)
{
    return tarnwick::testing::pollUntil(condition, timeout);
}

bool installed(const char* program)
{
    return programOnPath(program) != program;
}

// The unprivileged user the session runs as when the test runs as root; nothing when not root.
struct RigUser {
    uid_t uid;
    gid_t gid;
};

std::optional<RigUser> rigUser(std::string& failure)
{
    if (::geteuid() != 0)
        return std::nullopt;
    if (!::getpwnam(kRigUser))
        tarnwick::testing::run(programOnPath("useradd"), {"--system", "--no-create-home", "--home-dir", "/nonexistent",
                                                          "--shell", "/usr/sbin/nologin", kRigUser});
    const passwd* entry = ::getpwnam(kRigUser);
    if (!entry) {
        failure = std::string("could not create the user ") + kRigUser;
        return std::nullopt;
    }
    return RigUser{entry->pw_uid, entry->pw_gid};
}

class SwayRig {
public:
    explicit SwayRig(bool dark)
        : m_dark(dark)
    {
    }

    ~SwayRig()
    {
        m_pointer.reset();
        if (m_sway && !m_swaysock.empty()) {
            // Its clients (waybar) go when it does.
            run("swaymsg", {"exit"});
            m_sway->wait(std::chrono::seconds(5));
        }
    }

    bool start()
    {
        m_user = rigUser(failure);
        if (!failure.empty())
            return false;
        m_bus = std::make_unique<tarnwick::testing::PrivateBus>(m_user ? std::string(kRigUser) : std::string());
        if (m_bus->address().empty()) {
            failure = m_bus->failure();
            return false;
        }
        const std::string background = m_dark ? "#1e1e1e" : "#ececec";
        const std::string foreground = m_dark ? "#f0f0f0" : "#202020";
        m_dir.write("config/waybar/config",
                    R"({"layer":"top","position":"top","height":30,"modules-right":["tray"],)"
                    R"("tray":{"icon-size":22,"spacing":6}})");
        m_dir.write("config/waybar/style.css", "* { font-family: sans-serif; font-size: 13px; }\n"
                                               "window#waybar { background-color: " + background +
                                                   "; color: " + foreground + "; }\n");
        m_dir.write("config/sway/config",
                    "output HEADLESS-1 resolution " + std::to_string(kWidth) + "x" + std::to_string(kHeight) +
                        " position 0 0\n"
                        "xwayland disable\n"
                        "default_border none\n"
                        "exec waybar >" + (m_dir / "tmp/waybar.log").string() + " 2>&1\n");
        for (const char* d : {"home", "run", "tmp"})
            fs::create_directories(m_dir / d);
        fs::permissions(m_dir / "run", fs::perms::owner_all, fs::perm_options::replace);
        if (m_user) {
            // The session's user reaches its configuration and owns its home, runtime and temp dirs.
            fs::permissions(m_dir.path(), fs::perms::group_exec | fs::perms::others_exec, fs::perm_options::add);
            for (const auto& entry : fs::recursive_directory_iterator(m_dir.path()))
                ::chown(entry.path().c_str(), m_user->uid, m_user->gid);
        }
        m_env = {{"HOME", (m_dir / "home").string()},
                 {"XDG_RUNTIME_DIR", (m_dir / "run").string()},
                 {"XDG_CONFIG_HOME", (m_dir / "config").string()},
                 {"XDG_CONFIG_DIRS", (m_dir / "config").string()},
                 {"TMPDIR", (m_dir / "tmp").string()},
                 {"NO_AT_BRIDGE", "1"},
                 {"GTK_A11Y", "none"}};
        Subprocess::Options compositor = options();
        compositor.setEnv.insert({{"WLR_BACKENDS", "headless"}, {"WLR_LIBINPUT_NO_DEVICES", "1"},
                                  {"WLR_RENDERER", "pixman"}});
        m_sway = spawn("sway", {"--config", (m_dir / "config/sway/config").string()}, compositor);
        // sway's sockets show up in its runtime directory; the tray's watcher on the bus means waybar is up.
        if (!pollUntil([&] { return findSockets(); }, std::chrono::seconds(20))) {
            failure = "sway did not start: " + m_sway->stderrText();
            return false;
        }
        m_pointer = std::make_unique<tarnwick::testing::WaylandVirtualPointer>(m_wayland);
        if (!m_pointer->ok()) {
            failure = m_pointer->failure();
            return false;
        }
        if (!pollUntil([&] { return hasName("org.kde.StatusNotifierWatcher"); }, std::chrono::seconds(20))) {
            failure = "waybar's tray did not start: " + tarnwick::testing::readFile(m_dir / "tmp/waybar.log");
            return false;
        }
        return true;
    }

    /// The environment of a program in the session (on its bus, its display, its IPC socket).
    Subprocess::Options options(std::map<std::string, std::string> extra = {}) const
    {
        Subprocess::Options o;
        o.setEnv = m_env;
        if (!m_wayland.empty()) {
            o.setEnv["WAYLAND_DISPLAY"] = m_wayland;
            o.setEnv["SWAYSOCK"] = m_swaysock;
        }
        for (auto& [k, v] : extra)
            o.setEnv[k] = v;
        o = m_bus->options(o);
        // Nothing of the test's own display choice or of another desktop leaks in.
        o.unsetEnv = {"QT_QPA_PLATFORM", "DISPLAY", "XAUTHORITY"};
        return o;
    }

    /// A program of the session, run as the session's user.
    std::unique_ptr<Subprocess> spawn(const std::string& program, std::vector<std::string> args,
                                      const Subprocess::Options& o) const
    {
        auto [path, all] = command(program, std::move(args));
        return std::make_unique<Subprocess>(path, all, o);
    }

    tarnwick::testing::RunResult run(const std::string& program, std::vector<std::string> args) const
    {
        auto [path, all] = command(program, std::move(args));
        return tarnwick::testing::run(path, all, options());
    }

    QImage screenshot(const std::string& name) const
    {
        const fs::path file = m_dir / "tmp" / name;
        run("grim", {file.string()});
        QImage image(QString::fromStdString(file.string()));
        // Kept for a person to look at; never compared.
        const QString review = QStringLiteral(TARNWICK_REVIEW_DIR);
        QDir().mkpath(review);
        image.save(review + "/" + QString::fromStdString(name));
        return image.convertToFormat(QImage::Format_RGB32);
    }

    bool click(QPoint at) { return m_pointer->click(at.x(), at.y(), kWidth, kHeight); }

    /// The popover's window in sway's tree.
    std::optional<tarnwick::swayipc::Window> window(qint64 pid) const
    {
        const auto tree = tarnwick::swayipc::call(m_swaysock, tarnwick::swayipc::getTree, {});
        if (!tree)
            return std::nullopt;
        return tarnwick::swayipc::findWindow(QJsonDocument::fromJson(*tree).object(), pid, QStringLiteral("Tarnwick"));
    }

    const std::string& busAddress() const { return m_bus->address(); }
    const fs::path& dir() const { return m_dir.path(); }
    std::optional<RigUser> user() const { return m_user; }

    std::string failure;

private:
    std::pair<std::string, std::vector<std::string>> command(const std::string& program,
                                                             std::vector<std::string> args) const
    {
        const std::string path = program.front() == '/' ? program : programOnPath(program);
        if (!m_user)
            return {path, std::move(args)};
        std::vector<std::string> all{"--reuid=" + std::to_string(m_user->uid), "--regid=" + std::to_string(m_user->gid),
                                     "--clear-groups", "--", path};
        all.insert(all.end(), args.begin(), args.end());
        return {programOnPath("setpriv"), all};
    }

    bool findSockets()
    {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(m_dir / "run", ec)) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with("wayland-") && !name.ends_with(".lock"))
                m_wayland = entry.path().string();
            if (name.starts_with("sway-ipc."))
                m_swaysock = entry.path().string();
        }
        return !m_wayland.empty() && !m_swaysock.empty();
    }

    bool hasName(const std::string& name) const
    {
        const auto r = tarnwick::testing::run(
            programOnPath("dbus-send"),
            {"--session", "--print-reply", "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
             "org.freedesktop.DBus.NameHasOwner", "string:" + name},
            m_bus->options());
        return r.out.find("boolean true") != std::string::npos;
    }

    bool m_dark;
    TempDir m_dir;
    std::optional<RigUser> m_user;
    std::unique_ptr<tarnwick::testing::PrivateBus> m_bus;
    std::map<std::string, std::string> m_env;
    std::string m_wayland, m_swaysock;
    std::unique_ptr<Subprocess> m_sway;
    std::unique_ptr<tarnwick::testing::WaylandVirtualPointer> m_pointer;
};

// Columns of the bar that differ from its background, in runs split by at least two plain columns:
// the glyph, then the counts.
std::vector<QRect> barParts(const QImage& shot, QRgb background)
{
    std::vector<QRect> parts;
    QRect current;
    int plain = 0;
    for (int x = 0; x < shot.width(); ++x) {
        QRect column;
        for (int y = 0; y < kBarHeight; ++y)
            if (contrast(shot.pixel(x, y), background) > 1.25)
                column |= QRect(x, y, 1, 1);
        if (column.isEmpty()) {
            if (++plain >= 2 && !current.isEmpty()) {
                parts.push_back(current);
                current = {};
            }
            continue;
        }
        plain = 0;
        current |= column;
    }
    if (!current.isEmpty())
        parts.push_back(current);
    return parts;
}

// The largest filled patch of the popover in the palette's highlight colour: the Copy button (the
// card's other highlight-coloured parts are thin lettering, the search field's focus ring is hollow).
std::optional<QRect> copyButton(const QImage& shot, QRect popover)
{
    const QColor accent = QApplication::palette().color(QPalette::Highlight);
    auto isAccent = [&](QPoint p) {
        const QColor c = shot.pixelColor(p);
        return popover.contains(p) && std::abs(c.red() - accent.red()) + std::abs(c.green() - accent.green()) +
                                              std::abs(c.blue() - accent.blue()) < 40;
    };
    std::vector<bool> seen(size_t(shot.width() * shot.height()));
    QRect best;
    int bestSize = 0;
    for (int y = popover.top(); y <= popover.bottom(); ++y)
        for (int x = popover.left(); x <= popover.right(); ++x) {
            if (seen[size_t(y * shot.width() + x)] || !isAccent({x, y}))
                continue;
            QRect box;
            int size = 0;
            std::vector<QPoint> stack{{x, y}};
            seen[size_t(y * shot.width() + x)] = true;
            while (!stack.empty()) {
                const QPoint p = stack.back();
                stack.pop_back();
                box |= QRect(p, QSize(1, 1));
                ++size;
                for (QPoint n : {p + QPoint(1, 0), p - QPoint(1, 0), p + QPoint(0, 1), p - QPoint(0, 1)})
                    if (shot.rect().contains(n) && !seen[size_t(n.y() * shot.width() + n.x())] && isAccent(n)) {
                        seen[size_t(n.y() * shot.width() + n.x())] = true;
                        stack.push_back(n);
                    }
            }
            // A filled patch; a focus ring in the same colour is mostly hollow.
            if (size > bestSize && size * 10 >= box.width() * box.height() * 6) {
                bestSize = size;
                best = box;
            }
        }
    return best.width() >= 20 && best.height() >= 12 ? std::optional(best) : std::nullopt;
}

class SwayTrayTest : public ::testing::TestWithParam<bool> {};

} // namespace

TEST_P(SwayTrayTest, TheItemIsLegibleItsPopoverOpensBesideItAndTheCodeReachesTheClipboard)
{
    for (const char* program : {"sway", "waybar", "grim", "wl-paste", "setpriv", "dbus-send"})
        if (!installed(program))
            GTEST_SKIP() << program << " is missing; scripts/setup.sh installs it";
    const bool dark = GetParam();
    const std::string tag = dark ? "dark" : "light";
    SwayRig rig(dark);
    ASSERT_TRUE(rig.start()) << rig.failure;

    const QImage empty = rig.screenshot("sway-" + tag + "-empty.png");
    const QRgb background = empty.pixel(empty.width() / 2, kBarHeight / 2);

    auto helper = rig.spawn(tarnwick::testing::builtProgram("helper/tarnwick-helper"), {}, rig.options());
    helper->write(R"({"id":1,"method":"tray.create"})" "\n"
                  R"({"id":2,"method":"tray.update","params":{"accounts":[{"id":"w","name":"Work","color":"#2563eb","unreadCount":3},{"id":"h","name":"Home","color":"#16a34a","unreadCount":12}],"totalUnread":15,"menuBarVerificationCodes":true}})" "\n"
                  R"({"id":3,"method":"tray.verificationCode","params":{"code":")" + std::string(kCode) +
                  R"(","service":"Example","messageId":"m1","threadId":"t1","accountId":"w"}})" "\n");
    ASSERT_TRUE(helper->waitForStderr("I|Tray|Tray host is waybar")) << helper->stderrText();

    // waybar loads the picture on its own time: wait for the glyph and the counts beside it.
    QImage shot;
    std::vector<QRect> parts;
    ASSERT_TRUE(pollUntil([&] {
        shot = rig.screenshot("sway-" + tag + "-item.png");
        parts = barParts(shot, background);
        return parts.size() >= 2;
    })) << "no item with counts on the bar; helper log:\n" << helper->stderrText();

    // The glyph: the first part, pixels that stand out from the bar.
    const QRect glyph = parts.front();
    int glyphPixels = 0;
    for (int y = glyph.top(); y <= glyph.bottom(); ++y)
        for (int x = glyph.left(); x <= glyph.right(); ++x)
            if (contrast(shot.pixel(x, y), background) >= 4.5)
                ++glyphPixels;
    EXPECT_GE(glyphPixels, 20) << "the glyph must contrast with the " << tag << " bar";

    // The counts: the parts after the glyph, measured on the pixels a reader sees (contrast >= 3).
    int top = INT_MAX, bottom = INT_MIN;
    for (auto part = parts.begin() + 1; part != parts.end(); ++part)
        for (int y = part->top(); y <= part->bottom(); ++y)
            for (int x = part->left(); x <= part->right(); ++x)
                if (contrast(shot.pixel(x, y), background) >= 3) {
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
    ASSERT_LE(top, bottom) << "the counts do not contrast with the " << tag << " bar";
    EXPECT_GE(bottom - top + 1, 8) << "height of the counts, in pixels";

    // A click through waybar opens the popover right by the item.
    const QPoint centre = glyph.center();
    ASSERT_TRUE(rig.click(centre));
    ASSERT_TRUE(helper->readLineUntil([](const std::string& l) { return l == R"({"method":"tray.popoverOpened"})"; }))
        << helper->stderrText();
    // sway moves it a moment after it maps: wait until it stays put.
    std::optional<QRect> popover;
    int still = 0;
    ASSERT_TRUE(pollUntil(
        [&] {
            const auto w = rig.window(helper->pid());
            if (!w)
                return false;
            still = popover == w->rect ? still + 1 : 0;
            popover = w->rect;
            return still >= 3;
        },
        std::chrono::seconds(10)))
        << "no popover window in sway's tree; helper log:\n" << helper->stderrText();
    const QRect window = *popover;
    // What is on screen lags sway's tree by a frame or so: wait until two screenshots agree.
    QImage open, previous;
    ASSERT_TRUE(pollUntil([&] {
        previous = open;
        open = rig.screenshot("sway-" + tag + "-popover.png");
        return open == previous;
    })) << "the screen never settled";
    const int dx = centre.x() < window.left() ? window.left() - centre.x()
                   : centre.x() > window.right() ? centre.x() - window.right()
                                                 : 0;
    const int dy = window.top() - glyph.bottom();
    EXPECT_LE(dx, 50) << "popover at x " << window.left() << ".." << window.right() << ", item at " << centre.x();
    EXPECT_GE(dy, 0) << "the popover must not hide the item (popover top " << window.top() << ")";
    EXPECT_LE(dy, 50) << "popover at y " << window.top() << ", item bottom " << glyph.bottom();
    EXPECT_EQ(window.width(), 340);

    // The code card's Copy button puts the code on the Wayland clipboard.
    const auto button = copyButton(open, window);
    ASSERT_TRUE(button) << "no Copy button on the popover";
    ASSERT_TRUE(rig.click(button->center()));
    std::string pasted;
    EXPECT_TRUE(pollUntil([&] {
        pasted = rig.run("wl-paste", {"--no-newline"}).out;
        return pasted == kCode;
    })) << "wl-paste gave \"" << pasted << "\"; helper log:\n" << helper->stderrText();
    rig.screenshot("sway-" + tag + "-copied.png");

    // Like any popover it goes when the user clicks elsewhere.
    ASSERT_TRUE(rig.click({100, kHeight - 50}));
    EXPECT_TRUE(pollUntil([&] { return !rig.window(helper->pid()); }, std::chrono::seconds(5)))
        << "the popover stayed open after a click on the desktop";
}

INSTANTIATE_TEST_SUITE_P(Bars, SwayTrayTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Dark" : "Light"; });

// A notification's "Copy Code" is pressed in the notification server, not in a window of the
// helper's: the code must reach the Wayland clipboard all the same.
TEST(SwayNotificationTest, CopyCodeFromABannerReachesTheWaylandClipboard)
{
    for (const char* program : {"sway", "waybar", "wl-paste", "wl-copy", "setpriv", "dbus-send"})
        if (!installed(program))
            GTEST_SKIP() << program << " is missing; scripts/setup.sh installs it";
    SwayRig rig(true);
    ASSERT_TRUE(rig.start()) << rig.failure;
    // This process plays the notification server on the session's bus.
    qputenv("DBUS_SESSION_BUS_ADDRESS", QByteArray::fromStdString(rig.busAddress()));
    tarnwick::testing::TestNotificationServer server;
    ASSERT_TRUE(server.start());

    // Banners are posted only by an installed helper (it has a desktop entry to name).
    const fs::path prefix = rig.dir() / "prefix";
    fs::create_directories(prefix / "bin");
    fs::copy_file(tarnwick::testing::builtProgram("helper/tarnwick-helper"), prefix / "bin/tarnwick-helper");
    fs::create_directories(prefix / "share/applications");
    std::ofstream(prefix / "share/applications/com.fenmoorlab.tarnwick.desktop")
        << "[Desktop Entry]\nType=Application\nName=Tarnwick\nExec=tarnwick\n";
    if (const auto user = rig.user())
        for (const auto& entry : fs::recursive_directory_iterator(prefix))
            ::chown(entry.path().c_str(), user->uid, user->gid);

    auto helper = rig.spawn((prefix / "bin/tarnwick-helper").string(), {}, rig.options());
    helper->write(R"({"id":1,"method":"notify.setup"})" "\n"
                  R"({"id":2,"method":"notify.dispatch","params":{"accountId":"acct","messages":[{"id":"m2","category":"updates","subject":"Code","verificationCode":")" +
                  std::string(kCode) + R"("}]}})" "\n");
    ASSERT_TRUE(tarnwick::testing::TestNotificationServer::waitUntil([&] { return server.notifyCalls().size() == 1; }))
        << helper->stderrText();
    server.invokeAction(server.notifyCalls()[0].id, QStringLiteral("tarnwick.copyCode"));
    ASSERT_TRUE(server.flush());
    ASSERT_TRUE(helper->readLineUntil([](const std::string& l) { return l.find(R"("action":"copyCode")") != std::string::npos; }))
        << helper->stderrText();
    std::string pasted;
    EXPECT_TRUE(pollUntil([&] {
        pasted = rig.run("wl-paste", {"--no-newline"}).out;
        return pasted == kCode;
    })) << "wl-paste gave \"" << pasted << "\"; helper log:\n" << helper->stderrText();
}
