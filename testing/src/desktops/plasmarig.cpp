#include "plasmarig.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusUnixFileDescriptor>
#include <QDBusVariant>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QObject>
#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/input-event-codes.h>
#include <pwd.h>
#include <thread>
#include <unistd.h>
#include <xcb/xcb.h>

#include "tarnwick/testing/eventwait.h"
#include "tarnwick/testing/subprocess.h"
#include "tarnwick/testing/tempdir.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace tarnwick::testing {

namespace {

constexpr const char* kUser = "tarnwick-plasma";
constexpr const char* kWaylandSocket = "wayland-kde";

// KWin and plasmashell start slowly with software rendering on a busy machine.
constexpr auto kStartTimeout = 90s;

// Two clicks on one spot closer together than this are a double click to Plasma.
constexpr auto kDoubleClickInterval = 500ms;

std::string busConfig(const fs::path& socket, bool services, const std::string& alsoUser)
{
    return "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\" "
           "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig><type>session</type><keep_umask/><listen>unix:path=" +
           socket.string() + "</listen><auth>EXTERNAL</auth>" +
           (services ? "<standard_session_servicedirs/>" : "") +
           "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
           "<allow eavesdrop=\"true\"/><allow own=\"*\"/>" +
           (alsoUser.empty() ? "" : "<allow user=\"" + alsoUser + "\"/>") + "</policy></busconfig>\n";
}

std::string quoteForShell(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

bool installed(const std::string& program)
{
    return programOnPath(program) != program;
}

// evdev codes of the keys tests press, by X keysym name.
std::optional<int> keyCode(const std::string& name)
{
    static const std::map<std::string, int> named{
        {"Escape", KEY_ESC},     {"Return", KEY_ENTER}, {"Tab", KEY_TAB},         {"space", KEY_SPACE},
        {"BackSpace", KEY_BACKSPACE}, {"Delete", KEY_DELETE}, {"Up", KEY_UP},     {"Down", KEY_DOWN},
        {"Left", KEY_LEFT},      {"Right", KEY_RIGHT},  {"Home", KEY_HOME},       {"End", KEY_END},
        {"Page_Up", KEY_PAGEUP}, {"Page_Down", KEY_PAGEDOWN}, {"Menu", KEY_COMPOSE},
    };
    if (const auto it = named.find(name); it != named.end())
        return it->second;
    if (name.size() == 1) {
        // The rows of a US keyboard, in evdev order.
        static const std::string rows[] = {"1234567890", "qwertyuiop", "asdfghjkl", "zxcvbnm"};
        static const int firsts[] = {KEY_1, KEY_Q, KEY_A, KEY_Z};
        for (int row = 0; row < 4; ++row)
            if (const auto at = rows[row].find(name[0]); at != std::string::npos)
                return firsts[row] + int(at);
    }
    return std::nullopt;
}

// A stretch of panel columns that differ from the panel's background: one icon, the clock, a
// launcher.
struct Blob {
    QRect rect;
    QImage pixels;
};

bool differs(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b)) > 30;
}

// The panel's most common colour: its background (translucent panels vary by a few levels).
QRgb background(const QImage& panel)
{
    std::map<QRgb, int> counts;
    for (int y = 0; y < panel.height(); ++y)
        for (int x = 0; x < panel.width(); ++x)
            ++counts[panel.pixel(x, y) & 0xfff8f8f8u];
    return std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) { return a.second < b.second; })->first;
}

std::vector<Blob> blobs(const QImage& panel)
{
    const QRgb plain = background(panel);
    // The panel's frame: rows that differ from the background nearly all along.
    std::vector<bool> frame(size_t(panel.height()));
    for (int y = 0; y < panel.height(); ++y) {
        int count = 0;
        for (int x = 0; x < panel.width(); ++x)
            count += differs(panel.pixel(x, y), plain);
        frame[size_t(y)] = count * 2 > panel.width();
    }
    std::vector<Blob> found;
    QRect current;
    int gap = 0;
    const auto close = [&] {
        if (!current.isEmpty())
            found.push_back({current, panel.copy(current)});
        current = {};
    };
    for (int x = 0; x < panel.width(); ++x) {
        QRect column;
        for (int y = 0; y < panel.height(); ++y)
            if (!frame[size_t(y)] && differs(panel.pixel(x, y), plain))
                column |= QRect(x, y, 1, 1);
        if (column.isEmpty()) {
            if (++gap >= 2)
                close();
            continue;
        }
        gap = 0;
        current |= column;
    }
    close();
    return found;
}

// The same picture, wherever it moved: same size give or take a pixel, and nearly the same pixels.
bool samePicture(const Blob& a, const Blob& b)
{
    if (std::abs(a.rect.width() - b.rect.width()) > 1 || std::abs(a.rect.height() - b.rect.height()) > 1)
        return false;
    const int w = std::min(a.pixels.width(), b.pixels.width()), h = std::min(a.pixels.height(), b.pixels.height());
    long total = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const QRgb p = a.pixels.pixel(x, y), q = b.pixels.pixel(x, y);
            total += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return total <= long(w) * h * 3 * 12;
}

// Plasma's notification watcher: the server tells it every notification it accepts, with the id
// Notify returned; NotificationClosed tells when one goes.
class NotificationWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.NotificationWatcher")

public:
    std::vector<std::pair<PlasmaRig::Notification, bool>> entries;

public Q_SLOTS:
    Q_SCRIPTABLE void Notify(uint id, const QString& appName, uint replacesId, const QString& appIcon,
                             const QString& summary, const QString& body, const QStringList& actions,
                             const QVariantMap& hints, int timeout)
    {
        PlasmaRig::Notification notification;
        notification.id = id;
        notification.appName = appName.toStdString();
        notification.summary = summary.toStdString();
        notification.body = body.toStdString();
        for (const QString& action : actions)
            notification.actions.push_back(action.toStdString());
        notification.critical = hints.value(QStringLiteral("urgency")).toInt() == 2;
        for (auto& [known, open] : entries)
            if (known.id == id || (replacesId && known.id == replacesId)) {
                known = notification;
                open = true;
                return;
            }
        entries.emplace_back(notification, true);
    }

    Q_SCRIPTABLE void CloseNotification(uint id) { closed(id, 3); }

    void closed(uint id, uint reason)
    {
        for (auto& [known, open] : entries)
            if (known.id == id)
                open = false;
    }
};

} // namespace

struct PlasmaRig::Private {
    TempDir dir;
    std::optional<std::pair<uid_t, gid_t>> user;
    std::unique_ptr<Subprocess> systemBus, session, input;
    std::string x11Display;
    QString connectionName;
    bool connected = false;
    NotificationWatcher watcher;
    std::optional<uint> inhibition;
    QRect panel;
    QImage baseline; // the panel as the desktop came up, before any item of ours
    int scripts = 0;
    std::chrono::steady_clock::time_point lastClick;
    QPoint lastClickPoint{-1000, -1000};

    fs::path run() const { return dir / "run"; }
    QDBusConnection bus() const { return QDBusConnection(connectionName); }
};

PlasmaRig::PlasmaRig(Options options)
    : m_options(std::move(options))
    , d(std::make_unique<Private>())
{
    static int count = 0;
    d->connectionName = QStringLiteral("plasma-rig-%1").arg(++count);
}

PlasmaRig::PlasmaRig()
    : PlasmaRig(Options{})
{
}

PlasmaRig::~PlasmaRig()
{
    stop();
}

std::string PlasmaRig::missingPrograms()
{
    std::string missing;
    std::vector<std::string> programs{"kwin_wayland", "plasmashell", "kbuildsycoca5", "Xwayland", "xhost", "dbus-run-session",
                                      "dbus-daemon", "dbus-update-activation-environment"};
    if (::geteuid() == 0)
        programs.insert(programs.end(), {"setpriv", "setsid", "useradd"});
    for (const auto& program : programs)
        if (!installed(program))
            missing += (missing.empty() ? "" : ", ") + program;
    if (!fs::exists(TARNWICK_KWIN_FAKE_INPUT))
        missing += (missing.empty() ? "" : ", ") + std::string(TARNWICK_KWIN_FAKE_INPUT " (not built)");
    return missing;
}

std::string PlasmaRig::name() const
{
    return "plasma-wayland";
}

fs::path PlasmaRig::sessionDirectory() const
{
    return d->dir / "session";
}

void PlasmaRig::giveToSessionUser(const fs::path& path) const
{
    if (!d->user)
        return;
    const auto [uid, gid] = *d->user;
    if (::lchown(path.c_str(), uid, gid) != 0)
        return;
    std::error_code ec;
    if (fs::is_directory(path, ec))
        for (const auto& entry : fs::recursive_directory_iterator(path, ec))
            if (::lchown(entry.path().c_str(), uid, gid) != 0)
                return;
}

std::string PlasmaRig::log() const
{
    return "---- kwin ----\n" + readFile(d->dir / "kwin.log") + "---- plasmashell ----\n" +
           readFile(d->dir / "plasma.log");
}

std::map<std::string, std::string> PlasmaRig::sessionEnvironment() const
{
    std::string dataDirs;
    for (const auto& dir : m_options.dataDirs)
        dataDirs += dir.string() + ":";
    dataDirs += (d->dir / "share").string() + ":/usr/local/share:/usr/share";
    std::map<std::string, std::string> env{
        {"HOME", (d->dir / "home").string()},
        {"XDG_RUNTIME_DIR", d->run().string()},
        {"XDG_DATA_DIRS", dataDirs},
        {"TMPDIR", (d->dir / "tmp").string()},
        {"PATH", "/usr/local/bin:/usr/bin:/bin"},
        {"LANG", "C.UTF-8"},
        {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (d->run() / "bus").string()},
        {"DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + (d->run() / "system-bus").string()},
        {"XDG_SESSION_TYPE", "wayland"},
        {"XDG_CURRENT_DESKTOP", "KDE"},
        {"XDG_SESSION_DESKTOP", "KDE"},
        {"KDE_FULL_SESSION", "true"},
        {"KDE_SESSION_VERSION", "5"},
        {"DESKTOP_SESSION", "plasmawayland"},
        {"WAYLAND_DISPLAY", kWaylandSocket},
    };
    if (!d->x11Display.empty())
        env["DISPLAY"] = d->x11Display;
    // A sanitized build of the program under test keeps its settings.
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"})
        if (const char* value = std::getenv(name))
            env[name] = value;
    return env;
}

std::vector<std::string> PlasmaRig::sessionCommand() const
{
    std::vector<std::string> command;
    if (d->user)
        command = {programOnPath("setpriv"), "--reuid=" + std::to_string(d->user->first),
                   "--regid=" + std::to_string(d->user->second), "--clear-groups", "--"};
    command.insert(command.end(), {programOnPath("env"), "-i"});
    for (const auto& [key, value] : sessionEnvironment())
        command.push_back(key + "=" + value);
    return command;
}

bool PlasmaRig::start()
{
    if (const std::string missing = missingPrograms(); !missing.empty()) {
        m_failure = "not installed: " + missing;
        return false;
    }
    if (::geteuid() == 0) {
        if (!::getpwnam(kUser))
            run(programOnPath("useradd"), {"--system", "--no-create-home", "--home-dir", "/nonexistent", "--shell",
                                          "/usr/sbin/nologin", kUser});
        const passwd* entry = ::getpwnam(kUser);
        if (!entry) {
            m_failure = std::string("could not create the user ") + kUser;
            return false;
        }
        d->user = std::make_pair(entry->pw_uid, entry->pw_gid);
    }
    const passwd* self = ::getpwuid(::geteuid());
    const std::string testUser = self ? self->pw_name : std::string();

    for (const char* sub : {"home", "run", "tmp", "session", "bin", "share/applications"})
        fs::create_directories(d->dir / sub);
    fs::permissions(d->run(), fs::perms::owner_all, fs::perm_options::replace);
    fs::permissions(d->dir.path(), fs::perms::group_exec | fs::perms::others_exec, fs::perm_options::add);
    d->dir.write("bus.conf", busConfig(d->run() / "bus", true, testUser));
    d->dir.write("system-bus.conf", busConfig(d->run() / "system-bus", false, testUser));

    // kwin_wayland carries a file capability (cap_sys_resource) that containers refuse to grant; a
    // copy has none.
    const fs::path bin = d->dir / "bin";
    fs::copy_file(programOnPath("kwin_wayland"), bin / "kwin_wayland");
    fs::copy_file(TARNWICK_KWIN_FAKE_INPUT, bin / "tarnwick-kwin-fake-input");
    // KWin offers its fake-input protocol only to programs whose desktop entry asks for it, looked up
    // in the service cache: built before KWin starts.
    d->dir.write("share/applications/tarnwick-kwin-fake-input.desktop",
                 "[Desktop Entry]\nType=Application\nName=Tarnwick test input\nNoDisplay=true\nExec=" +
                     (bin / "tarnwick-kwin-fake-input").string() +
                     "\nX-KDE-Wayland-Interfaces=org_kde_kwin_fake_input\n");

    // KWin starts its argument once XWayland is up, with DISPLAY set: that script tells the rig the
    // display, hands it to the bus's activated services, and becomes plasmashell.
    const std::string dir = d->dir.path().string();
    d->dir.write("session.sh", "#!/bin/sh\nkbuildsycoca5 >" + quoteForShell(dir + "/sycoca.log") +
                                   " 2>&1\nexec env KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1 " +
                                   quoteForShell((bin / "kwin_wayland").string()) + " --virtual --width " +
                                   std::to_string(m_options.screen.width()) + " --height " +
                                   std::to_string(m_options.screen.height()) + " --socket " + kWaylandSocket +
                                   " --no-lockscreen --xwayland " +
                                   quoteForShell("/bin/sh " + dir + "/plasma.sh") + "\n");
    // The test's own user may look at XWayland's windows too.
    d->dir.write("plasma.sh", "#!/bin/sh\n" + (testUser.empty() ? std::string() : "xhost +si:localuser:" + testUser + " >/dev/null\n") +
                                  "printf '%s\\n' \"$DISPLAY\" >" + quoteForShell(dir + "/display.new") +
                                  "\nmv " + quoteForShell(dir + "/display.new") + " " +
                                  quoteForShell(dir + "/display") +
                                  "\ndbus-update-activation-environment --all\n"
                                  "QT_QPA_PLATFORM=wayland exec plasmashell --no-respawn >" +
                                  quoteForShell(dir + "/plasma.log") + " 2>&1\n");
    d->dir.write("kwin.log", "");
    d->dir.write("plasma.log", "");
    giveToSessionUser(d->dir.path());

    std::vector<std::string> asUser;
    if (d->user)
        asUser = {"--reuid=" + std::to_string(d->user->first), "--regid=" + std::to_string(d->user->second),
                  "--clear-groups", "--"};
    const auto spawn = [&](std::vector<std::string> command) {
        if (!d->user) {
            const std::string program = command.front();
            command.erase(command.begin());
            return std::make_unique<Subprocess>(program, command);
        }
        command.insert(command.begin(), asUser.begin(), asUser.end());
        return std::make_unique<Subprocess>(programOnPath("setpriv"), command);
    };

    d->systemBus = spawn({programOnPath("dbus-daemon"), "--config-file=" + (d->dir / "system-bus.conf").string(),
                          "--nofork", "--print-address"});
    if (!d->systemBus->readLine(20s)) {
        m_failure = "the system bus did not start: " + d->systemBus->stderrText();
        return false;
    }

    // The session in a process group of its own, so that stop() ends KWin, XWayland, plasmashell and
    // everything the bus activated together.
    std::map<std::string, std::string> env = sessionEnvironment();
    env.erase("WAYLAND_DISPLAY");
    std::vector<std::string> command = asUser;
    command.insert(command.end(), {programOnPath("env"), "-i"});
    for (const auto& [key, value] : env)
        command.push_back(key + "=" + value);
    command.insert(command.end(), {"/bin/sh", "-c",
                                   "exec dbus-run-session --config-file=" + quoteForShell(dir + "/bus.conf") +
                                       " -- /bin/sh " + quoteForShell(dir + "/session.sh") + " >>" +
                                       quoteForShell(dir + "/kwin.log") + " 2>&1"});
    if (d->user)
        command.insert(command.begin(), programOnPath("setpriv"));
    d->session = std::make_unique<Subprocess>(programOnPath("setsid"), command);

    const auto alive = [&] {
        if (d->session->wait(0ms)) {
            m_failure = "the session ended: " + log();
            return false;
        }
        return true;
    };
    if (!pollUntil([&] { return !alive() || fs::exists(d->run() / "bus"); }, 30s) || !alive()) {
        if (m_failure.empty())
            m_failure = "the session's bus did not start: " + log();
        return false;
    }
    const QDBusConnection connection =
        QDBusConnection::connectToBus("unix:path=" + QString::fromStdString((d->run() / "bus").string()), d->connectionName);
    if (!connection.isConnected()) {
        m_failure = "cannot reach the session's bus: " + connection.lastError().message().toStdString();
        return false;
    }
    d->connected = true;
    if (!pollUntil([&] { return !alive() || fs::exists(d->dir / "display"); }, kStartTimeout) || !alive()) {
        if (m_failure.empty())
            m_failure = "KWin did not start with XWayland: " + log();
        return false;
    }
    std::string display = readFile(d->dir / "display");
    display.erase(display.find_last_not_of("\n") + 1);
    d->x11Display = display;

    // Real input: our fake-input program, as the session's user (KWin reads which program a client
    // is from /proc, which it may do only for its own user's processes).
    command = sessionCommand();
    command.push_back((bin / "tarnwick-kwin-fake-input").string());
    const std::string program = command.front();
    command.erase(command.begin());
    d->input = std::make_unique<Subprocess>(program, command);
    const auto ready = d->input->readLine(20s);
    if (ready != "ready") {
        m_failure = "no fake input from KWin: " + ready.value_or("(nothing)") + " " + d->input->stderrText();
        return false;
    }
    m_failure.clear();
    return true;
}

bool PlasmaRig::waitForTrayAndNotifications(std::chrono::milliseconds timeout)
{
    // dunst, xfce4-notifyd and GNOME's server may claim the name too when something activates it
    // first: only Plasma's own counts.
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    const auto left = [&] {
        return std::max(0ms, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()));
    };
    bool up = pollUntil(
        [&] {
            if (!hasName("org.kde.StatusNotifierWatcher"))
                return false;
            QVariantList reply;
            if (!call("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher", "org.freedesktop.DBus.Properties",
                      "Get", {QStringLiteral("org.kde.StatusNotifierWatcher"), QStringLiteral("IsStatusNotifierHostRegistered")},
                      &reply, 2000) ||
                reply.isEmpty() || !qvariant_cast<QDBusVariant>(reply.front()).variant().toBool())
                return false;
            return call("org.freedesktop.Notifications", "/org/freedesktop/Notifications",
                        "org.freedesktop.Notifications", "GetServerInformation", {}, &reply, 2000) &&
                   !reply.isEmpty() && reply.front().toString() == QStringLiteral("Plasma");
        },
        left(), 200ms);
    if (!up) {
        m_failure = "Plasma's tray or notification server did not come up: " + m_failure + "\n" + log();
        return false;
    }
    QDBusConnection bus = d->bus();
    if (!bus.objectRegisteredAt(QStringLiteral("/NotificationWatcher"))) {
        bus.registerObject(QStringLiteral("/NotificationWatcher"), &d->watcher, QDBusConnection::ExportScriptableSlots);
        bus.connect(QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
                    QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("NotificationClosed"), &d->watcher,
                    SLOT(closed(uint, uint)));
        if (!call("org.freedesktop.Notifications", "/org/freedesktop/Notifications", "org.kde.NotificationManager",
                  "RegisterWatcher", {})) {
            m_failure = "Plasma refused the notification watcher: " + m_failure;
            return false;
        }
    }

    // The panel, drawn and settled: two pictures in a row alike. Taken as the tray's "before".
    up = pollUntil([&] { return panelGeometry().has_value(); }, left(), 200ms);
    if (!up) {
        m_failure = "plasmashell shows no panel: " + m_failure + "\n" + log();
        return false;
    }
    moveTo({m_options.screen.width() / 2, m_options.screen.height() / 3});
    QImage previous;
    bool same = false;
    size_t icons = 0;
    up = pollUntil(
        [&] {
            const QImage panel = screenshot().copy(d->panel);
            same = !panel.isNull() && panel == previous;
            icons = blobs(panel).size();
            previous = panel;
            return same && icons >= 4;
        },
        left(), 500ms);
    if (!up) {
        m_failure = "the panel never settled (" + std::string(same ? "still" : "changing") + ", " +
                    std::to_string(icons) + " things on it): " + m_failure;
        return false;
    }
    d->baseline = previous;
    return true;
}

void PlasmaRig::stop()
{
    d->input.reset();
    if (d->connected) {
        QDBusConnection::disconnectFromBus(d->connectionName);
        d->connected = false;
    }
    if (d->session) {
        // The whole group: KWin, XWayland, plasmashell and the services the bus started.
        const pid_t group = d->session->pid();
        ::kill(-group, SIGTERM);
        if (!d->session->wait(10s))
            ::kill(-group, SIGKILL);
        d->session->wait(5s);
        ::kill(-group, SIGKILL);
        d->session.reset();
    }
    d->systemBus.reset();
}

bool PlasmaRig::call(const std::string& service, const std::string& path, const std::string& interface,
                     const std::string& method, const QVariantList& args, QVariantList* reply, int timeoutMs)
{
    if (!d->connected) {
        m_failure = "the session's bus is not connected";
        return false;
    }
    QDBusMessage message = QDBusMessage::createMethodCall(QString::fromStdString(service), QString::fromStdString(path),
                                                          QString::fromStdString(interface), QString::fromStdString(method));
    message.setArguments(args);
    const QDBusMessage answer = d->bus().call(message, QDBus::Block, timeoutMs);
    if (answer.type() != QDBusMessage::ReplyMessage) {
        m_failure = method + ": " + answer.errorMessage().toStdString();
        return false;
    }
    if (reply)
        *reply = answer.arguments();
    return true;
}

bool PlasmaRig::hasName(const std::string& name)
{
    return d->connected && d->bus().interface()->isServiceRegistered(QString::fromStdString(name)).value();
}

QImage PlasmaRig::screenshot()
{
    int fds[2];
    if (!d->connected || ::pipe2(fds, O_CLOEXEC) != 0)
        return {};
    // KWin writes the rows after it answers; a thread drains the pipe meanwhile (a screen is larger
    // than a pipe's buffer). The pending call keeps its own copy of the descriptor: the pipe ends
    // only once both are gone.
    QByteArray data;
    std::thread reader([&data, fd = fds[0]] {
        char buffer[65536];
        for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
            data.append(buffer, n);
    });
    QDBusMessage answer;
    {
        QDBusMessage message = QDBusMessage::createMethodCall(
            QStringLiteral("org.kde.KWin.ScreenShot2"), QStringLiteral("/org/kde/KWin/ScreenShot2"),
            QStringLiteral("org.kde.KWin.ScreenShot2"), QStringLiteral("CaptureActiveScreen"));
        message << QVariantMap{{QStringLiteral("native-resolution"), true}}
                << QVariant::fromValue(QDBusUnixFileDescriptor(fds[1]));
        ::close(fds[1]);
        QDBusPendingCall pending = d->bus().asyncCall(message, 10000);
        message = {};
        pending.waitForFinished();
        answer = pending.reply();
    }
    reader.join();
    ::close(fds[0]);
    if (answer.type() != QDBusMessage::ReplyMessage || answer.arguments().isEmpty()) {
        m_failure = "screenshot: " + answer.errorMessage().toStdString();
        return {};
    }
    const QVariantMap info = qdbus_cast<QVariantMap>(answer.arguments().front());
    const int width = info.value(QStringLiteral("width")).toInt(), height = info.value(QStringLiteral("height")).toInt();
    const int stride = info.value(QStringLiteral("stride")).toInt();
    const auto format = QImage::Format(info.value(QStringLiteral("format")).toInt());
    if (width <= 0 || height <= 0 || data.size() < qsizetype(stride) * height) {
        m_failure = "screenshot: " + std::to_string(data.size()) + " bytes for " + std::to_string(width) + "x" +
                    std::to_string(height);
        return {};
    }
    return QImage(reinterpret_cast<const uchar*>(data.constData()), width, height, stride, format)
        .convertToFormat(QImage::Format_RGB32);
}

std::optional<std::string> PlasmaRig::runKWinScript(const std::string& body)
{
    // A script's print() goes to KWin's standard error, which is the rig's log: the answer is the
    // line after a marker of its own.
    const std::string name = "tarnwick-rig-" + std::to_string(++d->scripts);
    const fs::path file = d->dir / "tmp" / (name + ".js");
    d->dir.write("tmp/" + name + ".js", "print('" + name + " ' + (function () {" + body + "})());\n");
    giveToSessionUser(file);
    QVariantList reply;
    if (!call("org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting", "loadScript",
              {QString::fromStdString(file.string()), QString::fromStdString(name)}, &reply) ||
        reply.isEmpty())
        return std::nullopt;
    const int id = reply.front().toInt();
    std::optional<std::string> answer;
    if (call("org.kde.KWin", "/" + std::to_string(id), "org.kde.kwin.Script", "run", {})) {
        const std::string marker = "js: " + name + " ";
        pollUntil(
            [&] {
                const std::string text = readFile(d->dir / "kwin.log");
                const auto at = text.find(marker);
                if (at == std::string::npos)
                    return false;
                const auto from = at + marker.size();
                const auto end = text.find('\n', from);
                if (end == std::string::npos)
                    return false;
                answer = text.substr(from, end - from);
                return true;
            },
            10s, 20ms);
        if (!answer)
            m_failure = "the KWin script printed nothing";
    }
    call("org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting", "unloadScript", {QString::fromStdString(name)});
    fs::remove(file);
    return answer;
}

namespace {

std::vector<DesktopWindow> windowsFrom(const std::optional<std::string>& json)
{
    std::vector<DesktopWindow> list;
    if (!json)
        return list;
    for (const QJsonValue& value : QJsonDocument::fromJson(QByteArray::fromStdString(*json)).array()) {
        const QJsonObject o = value.toObject();
        DesktopWindow window;
        window.title = o.value(QStringLiteral("title")).toString().toStdString();
        window.pid = o.value(QStringLiteral("pid")).toInt();
        window.geometry = QRect(o.value(QStringLiteral("x")).toInt(), o.value(QStringLiteral("y")).toInt(),
                                o.value(QStringLiteral("w")).toInt(), o.value(QStringLiteral("h")).toInt());
        window.inTaskbar = o.value(QStringLiteral("taskbar")).toBool();
        list.push_back(window);
    }
    return list;
}

// A KWin script's expression for the windows that pass `filter` (a function of a window).
std::string windowList(const std::string& filter)
{
    return "return JSON.stringify(workspace.clientList().filter(" + filter +
           ").map(c => ({title: c.caption, pid: c.pid, x: c.frameGeometry.x, y: c.frameGeometry.y, "
           "w: c.frameGeometry.width, h: c.frameGeometry.height, "
           "taskbar: !c.skipTaskbar && !c.specialWindow})));";
}

} // namespace

std::vector<DesktopWindow> PlasmaRig::windows()
{
    std::vector<DesktopWindow> list = windowsFrom(runKWinScript(windowList("c => true")));

    // XWayland's override-redirect windows (an X11 client's popups and menus): KWin draws them but
    // does not manage them, so its scripts do not see them.
    if (d->x11Display.empty())
        return list;
    xcb_connection_t* x = xcb_connect(d->x11Display.c_str(), nullptr);
    if (xcb_connection_has_error(x)) {
        xcb_disconnect(x);
        return list;
    }
    const auto atom = [&](const char* name) {
        xcb_intern_atom_reply_t* reply =
            xcb_intern_atom_reply(x, xcb_intern_atom(x, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t value = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return value;
    };
    const xcb_atom_t pidAtom = atom("_NET_WM_PID"), nameAtom = atom("_NET_WM_NAME"), utf8 = atom("UTF8_STRING");
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(x, xcb_query_tree(x, root), nullptr);
    if (tree) {
        const xcb_window_t* children = xcb_query_tree_children(tree);
        for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
            const xcb_window_t w = children[i];
            xcb_get_window_attributes_reply_t* attributes =
                xcb_get_window_attributes_reply(x, xcb_get_window_attributes(x, w), nullptr);
            const bool popup = attributes && attributes->override_redirect && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
            std::free(attributes);
            xcb_get_geometry_reply_t* geometry = popup ? xcb_get_geometry_reply(x, xcb_get_geometry(x, w), nullptr) : nullptr;
            if (!geometry)
                continue;
            DesktopWindow window;
            window.geometry = QRect(geometry->x, geometry->y, geometry->width, geometry->height);
            std::free(geometry);
            if (window.geometry.width() <= 1 || window.geometry.height() <= 1)
                continue;
            xcb_get_property_reply_t* pid =
                xcb_get_property_reply(x, xcb_get_property(x, 0, w, pidAtom, XCB_ATOM_CARDINAL, 0, 1), nullptr);
            if (pid && xcb_get_property_value_length(pid) == 4)
                window.pid = int(*static_cast<const uint32_t*>(xcb_get_property_value(pid)));
            std::free(pid);
            xcb_get_property_reply_t* title =
                xcb_get_property_reply(x, xcb_get_property(x, 0, w, nameAtom, utf8, 0, 1024), nullptr);
            if (title)
                window.title.assign(static_cast<const char*>(xcb_get_property_value(title)),
                                    size_t(xcb_get_property_value_length(title)));
            std::free(title);
            list.push_back(window);
        }
        std::free(tree);
    }
    xcb_disconnect(x);
    return list;
}

std::vector<DesktopWindow> PlasmaRig::popupMenus()
{
    return windowsFrom(runKWinScript(windowList("c => c.popupWindow && !c.tooltip && !c.notification")));
}

std::vector<QRect> PlasmaRig::bannerWindows()
{
    std::vector<QRect> rects;
    for (const auto& window : windowsFrom(runKWinScript(windowList("c => c.notification || c.criticalNotification"))))
        rects.push_back(window.geometry);
    return rects;
}

std::optional<QRect> PlasmaRig::panelGeometry()
{
    const auto json = runKWinScript("const p = workspace.clientList().find(c => c.dock); return p ? "
                                    "JSON.stringify([p.frameGeometry.x, p.frameGeometry.y, p.frameGeometry.width, "
                                    "p.frameGeometry.height]) : '[]';");
    if (!json)
        return std::nullopt;
    const QJsonArray a = QJsonDocument::fromJson(QByteArray::fromStdString(*json)).array();
    if (a.size() != 4)
        return std::nullopt;
    d->panel = QRect(a[0].toInt(), a[1].toInt(), a[2].toInt(), a[3].toInt());
    return d->panel;
}

std::vector<std::string> PlasmaRig::registeredItems()
{
    QVariantList reply;
    if (!call("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher", "org.freedesktop.DBus.Properties", "Get",
              {QStringLiteral("org.kde.StatusNotifierWatcher"), QStringLiteral("RegisteredStatusNotifierItems")}, &reply) ||
        reply.isEmpty())
        return {};
    std::vector<std::string> items;
    for (const QString& item : qvariant_cast<QDBusVariant>(reply.front()).variant().toStringList())
        items.push_back(item.toStdString());
    return items;
}

int PlasmaRig::ownerPid(const std::string& busName)
{
    QVariantList reply;
    if (!call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "GetConnectionUnixProcessID",
              {QString::fromStdString(busName)}, &reply) ||
        reply.isEmpty())
        return 0;
    return int(reply.front().toUInt());
}

std::optional<QRect> PlasmaRig::trayItemGeometry(int pid)
{
    // kded5's watcher lists "service/path" (or a bare service) per item.
    const auto items = registeredItems();
    if (std::none_of(items.begin(), items.end(),
                     [&](const std::string& item) { return ownerPid(item.substr(0, item.find('/'))) == pid; }))
        return std::nullopt;
    if (d->baseline.isNull()) {
        m_failure = "no picture of the panel from before (waitForTrayAndNotifications)";
        return std::nullopt;
    }
    const QImage panel = screenshot().copy(d->panel);
    if (panel.isNull())
        return std::nullopt;
    // Icons in the tray's half of the panel that were not there before, wherever the ones that were
    // moved to. Plasma's own applets may join (its notifications bell, once there are any, sorts
    // before application items and is drawn in one grey): a new icon in colour is the item, else the
    // rightmost new one.
    const auto before = blobs(d->baseline);
    std::optional<QRect> found;
    bool foundInColour = false;
    for (const Blob& blob : blobs(panel)) {
        if (blob.rect.left() < panel.width() / 2 || blob.rect.width() > d->panel.height())
            continue;
        if (std::any_of(before.begin(), before.end(), [&](const Blob& old) { return samePicture(old, blob); }))
            continue;
        // The clock changes every minute: its two lines of text are one blob, wider than tall.
        if (blob.rect.height() * 2 < blob.rect.width())
            continue;
        bool inColour = false;
        for (int y = 0; y < blob.pixels.height() && !inColour; ++y)
            for (int x = 0; x < blob.pixels.width() && !inColour; ++x)
                inColour = QColor(blob.pixels.pixel(x, y)).hsvSaturation() > 100;
        if (!found || inColour || !foundInColour) {
            found = blob.rect.translated(d->panel.topLeft());
            foundInColour = foundInColour || inColour;
        }
    }
    return found;
}

bool PlasmaRig::input(const std::string& command)
{
    if (!d->input) {
        m_failure = "no fake input";
        return false;
    }
    d->input->write(command + "\n");
    const auto answer = d->input->readLine(10s);
    if (answer != "ok") {
        m_failure = "fake input: " + answer.value_or("(no answer)");
        return false;
    }
    return true;
}

void PlasmaRig::moveTo(QPoint point)
{
    input("move " + std::to_string(point.x()) + " " + std::to_string(point.y()));
}

void PlasmaRig::click(QPoint point, int button)
{
    // A second click on the same spot soon after the first would be a double click.
    if ((point - d->lastClickPoint).manhattanLength() < 8) {
        const auto since = std::chrono::steady_clock::now() - d->lastClick;
        if (since < kDoubleClickInterval)
            std::this_thread::sleep_for(kDoubleClickInterval - since);
    }
    const int code = button == 3 ? int(BTN_RIGHT) : button == 2 ? int(BTN_MIDDLE) : int(BTN_LEFT);
    moveTo(point);
    input("button " + std::to_string(code) + " 1");
    input("button " + std::to_string(code) + " 0");
    d->lastClick = std::chrono::steady_clock::now();
    d->lastClickPoint = point;
}

void PlasmaRig::key(const std::string& name)
{
    const auto code = keyCode(name);
    if (!code) {
        m_failure = "no key code for " + name;
        return;
    }
    input("key " + std::to_string(*code) + " 1");
    input("key " + std::to_string(*code) + " 0");
}

std::vector<std::pair<PlasmaRig::Notification, bool>> PlasmaRig::notifications()
{
    // Whatever the server has said so far.
    QCoreApplication::processEvents();
    return d->watcher.entries;
}

bool PlasmaRig::pressBannerAction(const std::string& actionKey)
{
    const auto all = notifications();
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        const auto& [notification, open] = *it;
        if (!open)
            continue;
        if (std::find(notification.actions.begin(), notification.actions.end(), actionKey) != notification.actions.end())
            return call("org.freedesktop.Notifications", "/org/freedesktop/Notifications",
                            "org.kde.NotificationManager", "InvokeAction",
                            {notification.id, QString::fromStdString(actionKey)});
    }
    m_failure = "no open notification offers the action " + actionKey;
    return false;
}

bool PlasmaRig::setDoNotDisturb(bool on)
{
    // Held on the rig's own connection: the server drops an inhibition when its holder leaves.
    if (on && !d->inhibition) {
        QVariantList reply;
        if (!call("org.freedesktop.Notifications", "/org/freedesktop/Notifications", "org.freedesktop.Notifications",
                  "Inhibit", {QStringLiteral("tarnwick-tests"), QStringLiteral("Do Not Disturb switched on by a test"), QVariantMap{}}, &reply) ||
            reply.isEmpty())
            return false;
        d->inhibition = reply.front().toUInt();
    } else if (!on && d->inhibition) {
        if (!call("org.freedesktop.Notifications", "/org/freedesktop/Notifications", "org.freedesktop.Notifications",
                  "UnInhibit", {*d->inhibition}))
            return false;
        d->inhibition.reset();
    }
    const bool settled = pollUntil([&] {
        QVariantList reply;
        return call("org.freedesktop.Notifications", "/org/freedesktop/Notifications", "org.freedesktop.DBus.Properties",
                    "Get", {QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Inhibited")}, &reply) &&
               !reply.isEmpty() && qvariant_cast<QDBusVariant>(reply.front()).variant().toBool() == on;
    });
    if (!settled)
        m_failure = std::string("Inhibited did not become ") + (on ? "true" : "false");
    return settled;
}

std::vector<std::string> PlasmaRig::visibleBanners()
{
    std::vector<std::string> summaries;
    for (const auto& [notification, open] : notifications())
        if (open)
            summaries.push_back(notification.summary);
    return summaries;
}

} // namespace tarnwick::testing

#include "plasmarig.moc"
