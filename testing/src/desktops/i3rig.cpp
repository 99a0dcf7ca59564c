#include "i3rig.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QImage>
#include <algorithm>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>
#include <xcb/xcb.h>

#include "tarnwick/testing/eventwait.h"
#include "tarnwick/testing/privatebus.h"
#include "tarnwick/testing/subprocess.h"
#include "tarnwick/testing/tempdir.h"

namespace tarnwick::testing {

namespace {

constexpr int kWidth = 800, kHeight = 400;

bool onPath(const char* program)
{
    return programOnPath(program) != program;
}

// i3's own defaults (the font of its stock config), the bar on top with its tray; nothing else
// starts with the session.
std::string i3Config(const std::string& barColour)
{
    return "# i3 config file (v4)\n"
           "font pango:monospace 8\n"
           "bar {\n"
           "    position top\n"
           "    colors {\n"
           "        background " + barColour + "\n"
           "    }\n"
           "}\n";
}

// Banners top right under the bar. The context menu's "dmenu" is the rig's script that picks the
// action the rig asks for; every banner shown is noted by a rule's script (dunst lists only the
// ones it closed).
std::string dunstConfig(const std::filesystem::path& dir)
{
    return "[global]\n"
           "    origin = top-right\n"
           "    offset = 10x30\n"
           "    width = 300\n"
           "    font = Sans 9\n"
           "    idle_threshold = 0\n"
           "    dmenu = " + (dir / "pick-action.sh").string() + "\n"
           "    always_run_script = true\n"
           "[note-shown]\n"
           "    summary = \"*\"\n"
           "    script = " + (dir / "note-shown.sh").string() + "\n";
}

// One line of `xwininfo -tree`: "0x600006 "name": ("res" "class")  800x20+0+0  +0+0".
struct TreeLine {
    std::string id;
    int depth = 0;
    std::string text;
    QRect absolute;
};

std::vector<TreeLine> parseTree(const std::string& out)
{
    static const std::regex line(R"(^(\s*)(0x[0-9a-f]+) (.*)\s(\d+)x(\d+)[+-]-?\d+[+-]-?\d+\s+\+?(-?\d+)\+?(-?\d+)\s*$)");
    std::vector<TreeLine> lines;
    std::istringstream in(out);
    for (std::string text; std::getline(in, text);) {
        std::smatch m;
        if (!std::regex_match(text, m, line))
            continue;
        lines.push_back({m[2], int(m[1].length()), m[3],
                         QRect(std::stoi(m[6]), std::stoi(m[7]), std::stoi(m[4]), std::stoi(m[5]))});
    }
    return lines;
}

std::optional<int> cardinal(const std::string& xpropOut)
{
    const auto at = xpropOut.find(" = ");
    if (at == std::string::npos)
        return std::nullopt;
    try {
        return std::stoi(xpropOut.substr(at + 3));
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

} // namespace

struct I3Rig::Private {
    std::string barColour;
    std::unique_ptr<PrivateBus> bus;
    std::unique_ptr<TempDir> dir;
    std::unique_ptr<Subprocess> xvfb, i3, dunst, closedWatch;
    std::string closedLog;
    std::string display;
    std::map<std::string, std::string> env;
    QString busName;

    Subprocess::Options options() const
    {
        Subprocess::Options o;
        o.setEnv = env;
        return o;
    }

    RunResult tool(const char* program, const std::vector<std::string>& args) const
    {
        return run(programOnPath(program), args, options());
    }

    // The window owning i3bar's tray selection; none when there is no tray.
    xcb_window_t trayOwner() const
    {
        xcb_connection_t* c = xcb_connect(display.c_str(), nullptr);
        xcb_window_t owner = XCB_NONE;
        if (!xcb_connection_has_error(c)) {
            const char name[] = "_NET_SYSTEM_TRAY_S0";
            auto* atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof name - 1, name), nullptr);
            if (atom) {
                auto* reply = xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr);
                if (reply)
                    owner = reply->owner;
                std::free(reply);
                std::free(atom);
            }
        }
        xcb_disconnect(c);
        return owner;
    }
    bool trayOwned() const { return trayOwner() != XCB_NONE; }

    bool serviceOwned(const char* service) const
    {
        const QDBusConnection connection = QDBusConnection::connectToBus(QString::fromStdString(bus->address()), busName);
        return connection.isConnected() && connection.interface()->isServiceRegistered(QString::fromLatin1(service)).value();
    }

    std::optional<int> windowPid(const std::string& id) const
    {
        return cardinal(tool("xprop", {"-id", id, "_NET_WM_PID"}).out);
    }

    std::vector<std::string> clientList() const
    {
        const std::string out = tool("xprop", {"-root", "_NET_CLIENT_LIST"}).out;
        std::vector<std::string> ids;
        static const std::regex id("0x[0-9a-f]+");
        for (auto it = std::sregex_iterator(out.begin(), out.end(), id); it != std::sregex_iterator(); ++it)
            ids.push_back(it->str());
        return ids;
    }

    // i3bar's bar window and the windows embedded in it (the tray's icons).
    std::optional<TreeLine> bar(std::vector<TreeLine>* icons = nullptr) const
    {
        const auto lines = parseTree(tool("xwininfo", {"-root", "-tree"}).out);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].text.find("\"i3bar\")") == std::string::npos)
                continue;
            if (icons)
                for (std::size_t j = i + 1; j < lines.size() && lines[j].depth > lines[i].depth; ++j)
                    icons->push_back(lines[j]);
            return lines[i];
        }
        return std::nullopt;
    }
};

I3Rig::I3Rig(std::string barColour)
    : d(std::make_unique<Private>())
{
    d->barColour = std::move(barColour);
    static int rigs = 0;
    d->busName = QStringLiteral("i3-rig-bus-%1").arg(++rigs);
}

I3Rig::~I3Rig()
{
    stop();
}

bool I3Rig::installed()
{
    for (const char* program : {"i3", "i3bar", "i3-msg", "Xvfb", "dunst", "dunstctl", "dbus-monitor", "xdotool", "xwininfo", "xprop", "import"})
        if (!onPath(program))
            return false;
    return true;
}

bool I3Rig::start()
{
    d->bus = std::make_unique<PrivateBus>();
    if (d->bus->address().empty()) {
        m_failure = d->bus->failure();
        return false;
    }
    d->dir = std::make_unique<TempDir>();
    const auto& dir = d->dir->path();
    d->dir->write("home/.keep", "");
    d->dir->write("config/i3/config", i3Config(d->barColour));
    d->dir->write("config/dunst/dunstrc", dunstConfig(dir));
    // dunst's context menu lists "#<label> (<summary>) [<id>,<action key>]", one line per action.
    d->dir->write("pick-action.sh", "#!/bin/sh\n"
                                    "grep -F -- \"$(cat \"" + (dir / "wanted-action").string() +
                                        "\")\" | head -n 1 | tee -a \"" + (dir / "picked.log").string() + "\"\n");
    d->dir->write("note-shown.sh", "#!/bin/sh\nprintf '%s\\t%s\\n' \"$DUNST_ID\" \"$DUNST_SUMMARY\" >> \"" +
                                       (dir / "shown.log").string() + "\"\n");
    for (const char* script : {"pick-action.sh", "note-shown.sh"})
        std::filesystem::permissions(dir / script, std::filesystem::perms::owner_all);
    std::filesystem::create_directories(dir / "run");
    std::filesystem::permissions(dir / "run", std::filesystem::perms::owner_all);

    d->xvfb = std::make_unique<Subprocess>(
        programOnPath("Xvfb"),
        std::vector<std::string>{"-displayfd", "1", "-screen", "0",
                                 std::to_string(kWidth) + "x" + std::to_string(kHeight) + "x24", "-nolisten", "tcp",
                                 // without it the server resets whenever its last client leaves (the
                                 // rig's own probes do), refusing clients meanwhile
                                 "-noreset"});
    if (const auto number = d->xvfb->readLine(std::chrono::seconds(20)))
        d->display = ":" + *number;
    if (d->display.empty()) {
        m_failure = "Xvfb did not start: " + d->xvfb->stderrText();
        return false;
    }
    const char* path = std::getenv("PATH");
    d->env = {{"DISPLAY", d->display},
              {"DBUS_SESSION_BUS_ADDRESS", d->bus->address()},
              {"HOME", (dir / "home").string()},
              {"XDG_CONFIG_HOME", (dir / "config").string()},
              {"XDG_RUNTIME_DIR", (dir / "run").string()},
              {"XDG_CURRENT_DESKTOP", "i3"},
              {"XDG_SESSION_TYPE", "x11"},
              {"PATH", path ? path : "/usr/bin:/bin"},
              {"NO_AT_BRIDGE", "1"}};
    d->i3 = std::make_unique<Subprocess>(programOnPath("i3"), std::vector<std::string>{}, d->options());
    d->dunst = std::make_unique<Subprocess>(programOnPath("dunst"), std::vector<std::string>{}, d->options());
    // dunst sends NotificationClosed to the notifying program alone: a monitor sees it.
    d->closedWatch = std::make_unique<Subprocess>(
        programOnPath("dbus-monitor"),
        std::vector<std::string>{"--address", d->bus->address(),
                                 "type='signal',interface='org.freedesktop.Notifications',member='NotificationClosed'"});
    return true;
}

bool I3Rig::waitForTrayAndNotifications(std::chrono::milliseconds timeout)
{
    if (!d->xvfb)
        return false;
    if (!pollUntil([&] { return d->trayOwned() && d->serviceOwned("org.freedesktop.Notifications"); }, timeout)) {
        const auto xvfbEnded = d->xvfb->wait(std::chrono::milliseconds(0));
        m_failure = "i3bar's tray or dunst did not start on " + d->display + " (Xvfb " +
                    (xvfbEnded ? "ended with " + std::to_string(*xvfbEnded) : std::string("running")) + ": " +
                    d->xvfb->stderrText() + "); i3: " + d->i3->stderrText() + "\ndunst: " + d->dunst->stderrText();
        return false;
    }
    return true;
}

void I3Rig::stop()
{
    // The X clients go with their server; the bus last.
    d->closedWatch.reset();
    d->dunst.reset();
    d->i3.reset();
    if (d->xvfb) {
        // Asked to end, the server removes its lock file and socket; killed, it leaves them.
        d->xvfb->sendSignal(SIGTERM);
        d->xvfb->wait(std::chrono::seconds(5));
    }
    d->xvfb.reset();
    QDBusConnection::disconnectFromBus(d->busName);
    d->bus.reset();
    d->dir.reset();
}

std::vector<std::string> I3Rig::sessionCommand() const
{
    std::vector<std::string> command{programOnPath("env"), "-i"};
    for (const auto& [key, value] : d->env)
        command.push_back(key + "=" + value);
    return command;
}

std::map<std::string, std::string> I3Rig::sessionEnvironment() const
{
    return d->env;
}

QImage I3Rig::screenshot()
{
    const std::string file = (d->dir->path() / "screen.png").string();
    d->tool("import", {"-window", "root", file});
    return QImage(QString::fromStdString(file)).convertToFormat(QImage::Format_RGB32);
}

std::optional<QRect> I3Rig::trayItemGeometry(int pid)
{
    std::vector<TreeLine> icons;
    if (!d->bar(&icons))
        return std::nullopt;
    for (const TreeLine& icon : icons) {
        if (d->windowPid(icon.id) != pid)
            continue;
        // i3bar keeps icons that asked not to be mapped in the bar, unmapped.
        if (d->tool("xwininfo", {"-id", icon.id}).out.find("Map State: IsViewable") == std::string::npos)
            return std::nullopt;
        return icon.absolute;
    }
    return std::nullopt;
}

std::vector<DesktopWindow> I3Rig::windows()
{
    const auto managed = d->clientList();
    std::vector<DesktopWindow> list;
    const auto lines = parseTree(d->tool("xwininfo", {"-root", "-tree"}).out);
    int topDepth = INT_MAX;
    for (const TreeLine& line : lines)
        topDepth = std::min(topDepth, line.depth);
    for (const TreeLine& line : lines) {
        const bool isManaged = std::find(managed.begin(), managed.end(), line.id) != managed.end();
        // Clients sit in i3's frames; override-redirect windows (popups) straight on the root.
        const bool own = line.text.find("\"i3-frame\")") != std::string::npos ||
                         line.text.find("\"i3bar\")") != std::string::npos;
        if (!isManaged && (line.depth != topDepth || own))
            continue;
        if (d->tool("xwininfo", {"-id", line.id}).out.find("Map State: IsViewable") == std::string::npos)
            continue;
        DesktopWindow window;
        const auto quote = line.text.find('"');
        if (quote != std::string::npos)
            window.title = line.text.substr(quote + 1, line.text.find('"', quote + 1) - quote - 1);
        window.pid = d->windowPid(line.id).value_or(0);
        window.geometry = line.absolute;
        // i3 lists the windows it manages (tabs, titles); popups and the bar are not among them.
        window.inTaskbar = isManaged;
        list.push_back(window);
    }
    return list;
}

void I3Rig::click(QPoint point, int button)
{
    d->tool("xdotool", {"mousemove", std::to_string(point.x()), std::to_string(point.y()), "click",
                        std::to_string(button)});
}

void I3Rig::key(const std::string& key)
{
    d->tool("xdotool", {"key", key});
}

bool I3Rig::pressBannerAction(const std::string& actionKey)
{
    const auto picked = d->dir->path() / "picked.log";
    const std::string before = readFile(picked);
    d->dir->write("wanted-action", "," + actionKey + "]");
    d->tool("dunstctl", {"context"});
    // dunst answers the call before it runs the menu; the script notes what it picked.
    return pollUntil([&] { return readFile(picked).size() > before.size(); }, std::chrono::seconds(5));
}

bool I3Rig::setDoNotDisturb(bool on)
{
    return d->tool("dunstctl", {"set-paused", on ? "true" : "false"}).status == 0;
}

std::vector<std::string> I3Rig::visibleBanners()
{
    // Shown (noted by the rule's script when dunst displays it) and not closed since.
    if (!d->closedWatch)
        return {};
    d->closedWatch->stderrText(); // takes in what the monitor printed
    d->closedLog += d->closedWatch->remainingStdout();
    std::vector<std::string> closed;
    static const std::regex closedSignal(R"(member=NotificationClosed\s*\n\s*uint32 (\d+))");
    for (auto it = std::sregex_iterator(d->closedLog.begin(), d->closedLog.end(), closedSignal);
         it != std::sregex_iterator(); ++it)
        closed.push_back((*it)[1]);
    std::vector<std::string> banners;
    std::istringstream in(readFile(d->dir->path() / "shown.log"));
    for (std::string line; std::getline(in, line);) {
        const auto tab = line.find('\t');
        if (tab != std::string::npos && std::find(closed.begin(), closed.end(), line.substr(0, tab)) == closed.end())
            banners.push_back(line.substr(tab + 1));
    }
    return banners;
}

int I3Rig::barHeight()
{
    const auto bar = d->bar();
    return bar ? bar->absolute.height() : 0;
}

bool I3Rig::stopBar()
{
    // i3 starts its bars detached (they carry no _NET_WM_PID either): the bar's X connection is
    // closed instead, which ends i3bar.
    const auto bar = d->bar();
    const xcb_window_t owner = d->trayOwner();
    if (!bar || owner == XCB_NONE) {
        m_failure = "no bar with a tray to stop";
        return false;
    }
    bool gone = false;
    for (int attempt = 0; attempt < 3 && !gone; ++attempt) {
        xcb_connection_t* c = xcb_connect(d->display.c_str(), nullptr);
        if (!xcb_connection_has_error(c)) {
            xcb_kill_client(c, xcb_window_t(std::stoul(bar->id, nullptr, 16)));
            // Answered only once the server has carried the kill out.
            std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
        }
        xcb_disconnect(c);
        gone = pollUntil([&] { return d->trayOwner() != owner; }, std::chrono::seconds(3));
    }
    if (!gone) {
        m_failure = "the bar " + bar->id + " kept its tray";
        return false;
    }
    return true;
}

bool I3Rig::restartI3()
{
    d->tool("i3-msg", {"restart"});
    return pollUntil([&] { return d->trayOwned(); }, std::chrono::seconds(15));
}

} // namespace tarnwick::testing
