#include "gnomerig.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>
#include <csignal>
#include <fstream>
#include <pwd.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "tarnwick/testing/eventwait.h"
#include "tarnwick/testing/subprocess.h"
#include "tarnwick/testing/tempdir.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace tarnwick::testing {

namespace {

constexpr const char* kUser = "tarnwick-gnome";
constexpr const char* kExtension = "ubuntu-appindicators@ubuntu.com";
constexpr const char* kExtensionDir = "/usr/share/gnome-shell/extensions/ubuntu-appindicators@ubuntu.com";

// The shell starts slowly with software rendering on a busy machine.
constexpr auto kStartTimeout = 90s;

// A session bus with the standard service directories (the shell activates its notification
// service, dconf, the calendar server) that the test process may connect to as well.
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
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

// A JavaScript string literal.
std::string jsString(const std::string& text)
{
    return QString::fromUtf8(QJsonDocument(QJsonArray{QString::fromStdString(text)}).toJson(QJsonDocument::Compact))
        .mid(1)
        .chopped(1)
        .toStdString();
}

bool installed(const std::string& program)
{
    return programOnPath(program) != program;
}

QRect rectFrom(const QJsonValue& value)
{
    const QJsonArray a = value.toArray();
    if (a.size() != 4)
        return {};
    return QRect(int(std::lround(a[0].toDouble())), int(std::lround(a[1].toDouble())),
                 int(std::lround(a[2].toDouble())), int(std::lround(a[3].toDouble())));
}

// Where an actor is on the stage, as [x, y, width, height], or null while it is not on screen.
constexpr const char* kRectFunction =
    "const rect = a => { if (!a || !a.mapped) return null; const [x, y] = a.get_transformed_position(); "
    "const [w, h] = a.get_transformed_size(); return [x, y, w, h]; };";

} // namespace

struct GnomeRig::Private {
    TempDir dir;
    std::optional<std::pair<uid_t, gid_t>> user;
    std::unique_ptr<Subprocess> xvfb, systemBus, session;
    std::string x11Display, xauthority, waylandDisplay;
    QString connectionName;
    bool connected = false;
    std::chrono::steady_clock::time_point lastClick;
    QPoint lastClickPoint{-1000, -1000};

    fs::path run() const { return dir / "run"; }
    fs::path home() const { return dir / "home"; }
    QDBusConnection bus() const { return QDBusConnection(connectionName); }
};

GnomeRig::GnomeRig(Options options)
    : m_options(std::move(options))
    , d(std::make_unique<Private>())
{
    static int count = 0;
    d->connectionName = QStringLiteral("gnome-rig-%1").arg(++count);
}

GnomeRig::GnomeRig()
    : GnomeRig(Options{})
{
}

GnomeRig::~GnomeRig()
{
    stop();
}

std::string GnomeRig::missingPrograms(const Options& options)
{
    std::string missing;
    std::vector<std::string> programs{"gnome-shell", "dbus-run-session", "dbus-daemon", "gsettings", "gjs",
                                      "dbus-update-activation-environment"};
    if (::geteuid() == 0)
        programs.insert(programs.end(), {"setpriv", "setsid", "useradd"});
    if (!options.wayland)
        programs.insert(programs.end(), {"Xvfb", "xdotool"});
    for (const auto& program : programs)
        if (!installed(program))
            missing += (missing.empty() ? "" : ", ") + program;
    if (options.appIndicator && !fs::exists(kExtensionDir))
        missing += (missing.empty() ? "" : ", ") + std::string("the AppIndicator extension (") + kExtensionDir + ")";
    return missing;
}

std::string GnomeRig::name() const
{
    return std::string(m_options.wayland ? "gnome-wayland" : "gnome-x11") + (m_options.appIndicator ? "" : "-stock");
}

fs::path GnomeRig::sessionDirectory() const
{
    return d->dir / "session";
}

void GnomeRig::giveToSessionUser(const fs::path& path) const
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

std::string GnomeRig::shellLog() const
{
    return readFile(d->dir / "shell.log");
}

std::map<std::string, std::string> GnomeRig::sessionEnvironment() const
{
    std::string dataDirs;
    for (const auto& dir : m_options.dataDirs)
        dataDirs += dir.string() + ":";
    dataDirs += "/usr/local/share:/usr/share";
    std::map<std::string, std::string> env{
        {"HOME", d->home().string()},
        {"XDG_RUNTIME_DIR", d->run().string()},
        {"XDG_DATA_DIRS", dataDirs},
        {"TMPDIR", (d->dir / "tmp").string()},
        {"PATH", "/usr/local/bin:/usr/bin:/bin"},
        {"LANG", "C.UTF-8"},
        {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (d->run() / "bus").string()},
        {"DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + (d->run() / "system-bus").string()},
        {"XDG_SESSION_TYPE", m_options.wayland ? "wayland" : "x11"},
        {"XDG_CURRENT_DESKTOP", "GNOME"},
        {"XDG_SESSION_DESKTOP", "gnome"},
        {"DESKTOP_SESSION", "gnome"},
    };
    if (!d->waylandDisplay.empty())
        env["WAYLAND_DISPLAY"] = d->waylandDisplay;
    if (!d->x11Display.empty())
        env["DISPLAY"] = d->x11Display;
    if (!d->xauthority.empty())
        env["XAUTHORITY"] = d->xauthority;
    // A sanitized build of the program under test keeps its settings.
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"})
        if (const char* value = std::getenv(name))
            env[name] = value;
    return env;
}

std::vector<std::string> GnomeRig::sessionCommand() const
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

bool GnomeRig::runInSession(const std::vector<std::string>& command, std::string* output)
{
    std::vector<std::string> all = sessionCommand();
    all.insert(all.end(), command.begin(), command.end());
    const std::string program = all.front();
    all.erase(all.begin());
    const RunResult result = run(program, all);
    if (output)
        *output = result.out;
    if (result.status != 0)
        m_failure = command.front() + " failed (" + std::to_string(result.status) + "): " + result.err;
    return result.status == 0;
}

bool GnomeRig::start()
{
    if (const std::string missing = missingPrograms(m_options); !missing.empty()) {
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

    // The shell's own files: a home (dconf, the extension's state), a runtime directory (its sockets
    // and the buses') and a directory for what the tests hand to the session's programs.
    for (const char* sub : {"home/.local/share/gnome-shell", "run", "tmp", "session"})
        fs::create_directories(d->dir / sub);
    fs::permissions(d->run(), fs::perms::owner_all, fs::perm_options::replace);
    fs::permissions(d->dir.path(), fs::perms::group_exec | fs::perms::others_exec, fs::perm_options::add);
    // Without a display manager the shell warns about the missing screen lock once per home, in a banner.
    d->dir.write("home/.local/share/gnome-shell/lock-warning-shown", "");
    d->dir.write("bus.conf", busConfig(d->run() / "bus", true, testUser));
    d->dir.write("system-bus.conf", busConfig(d->run() / "system-bus", false, testUser));

    const std::string extensions = m_options.appIndicator ? std::string("['") + kExtension + "']" : "[]";
    std::string script = "#!/bin/sh\n";
    for (const std::string& setting :
         {std::string("org.gnome.shell disable-user-extensions false"), "org.gnome.shell enabled-extensions \"" + extensions + "\"",
          std::string("org.gnome.shell welcome-dialog-last-shown-version '999'"),
          // No animations: menus and banners are where they end up at once, and software rendering
          // has less to draw.
          std::string("org.gnome.desktop.interface enable-animations false"),
          std::string("org.gnome.desktop.screensaver lock-enabled false"),
          std::string("org.gnome.desktop.session idle-delay 0")})
        script += "gsettings set " + setting + "\n";
    script += "dbus-update-activation-environment --all\n";
    const std::string size = std::to_string(m_options.screen.width()) + "x" + std::to_string(m_options.screen.height());
    script += m_options.wayland ? "exec gnome-shell --headless --wayland --virtual-monitor " + size + " --unsafe-mode\n"
                                : std::string("exec gnome-shell --x11 --replace --unsafe-mode\n");
    d->dir.write("session.sh", script);
    d->dir.write("shell.log", "");
    giveToSessionUser(d->dir.path());

    auto asUser = [&](const std::string& program, std::vector<std::string> args) {
        if (!d->user)
            return std::make_unique<Subprocess>(programOnPath(program), std::move(args));
        std::vector<std::string> all{"--reuid=" + std::to_string(d->user->first),
                                     "--regid=" + std::to_string(d->user->second), "--clear-groups", "--",
                                     programOnPath(program)};
        all.insert(all.end(), args.begin(), args.end());
        return std::make_unique<Subprocess>(programOnPath("setpriv"), all);
    };

    if (!m_options.wayland) {
        d->xvfb = asUser("Xvfb", {"-displayfd", "1", "-screen", "0", size + "x24", "-nolisten", "tcp"});
        const auto display = d->xvfb->readLine(20s);
        if (!display) {
            m_failure = "Xvfb did not start: " + d->xvfb->stderrText();
            return false;
        }
        d->x11Display = ":" + *display;
    }
    d->systemBus = asUser("dbus-daemon", {"--config-file=" + (d->dir / "system-bus.conf").string(), "--nofork",
                                          "--print-address"});
    if (!d->systemBus->readLine(20s)) {
        m_failure = "the system bus did not start: " + d->systemBus->stderrText();
        return false;
    }

    // The session in a process group of its own, so that stop() ends the shell together with
    // everything its bus activated.
    std::map<std::string, std::string> shellEnv = sessionEnvironment();
    shellEnv.erase("WAYLAND_DISPLAY");
    shellEnv["G_MESSAGES_DEBUG"] = "Ubuntu-AppIndicators";
    std::vector<std::string> command;
    if (d->user)
        command = {programOnPath("setpriv"), "--reuid=" + std::to_string(d->user->first),
                   "--regid=" + std::to_string(d->user->second), "--clear-groups", "--"};
    command.insert(command.end(), {programOnPath("env"), "-i"});
    for (const auto& [key, value] : shellEnv)
        command.push_back(key + "=" + value);
    command.insert(command.end(),
                   {"/bin/sh", "-c",
                    "exec dbus-run-session --config-file=" + quoteForShell((d->dir / "bus.conf").string()) +
                        " -- /bin/sh " + quoteForShell((d->dir / "session.sh").string()) + " >>" +
                        quoteForShell((d->dir / "shell.log").string()) + " 2>&1"});
    d->session = std::make_unique<Subprocess>(programOnPath("setsid"), command);

    const auto alive = [&] {
        if (d->session->wait(0ms)) {
            m_failure = "the session ended: " + shellLog();
            return false;
        }
        return true;
    };
    if (!pollUntil([&] { return !alive() || fs::exists(d->run() / "bus"); }, 30s) || !alive()) {
        if (m_failure.empty())
            m_failure = "the session's bus did not start: " + shellLog();
        return false;
    }
    const QDBusConnection connection =
        QDBusConnection::connectToBus("unix:path=" + QString::fromStdString((d->run() / "bus").string()), d->connectionName);
    if (!connection.isConnected()) {
        m_failure = "cannot reach the session's bus: " + connection.lastError().message().toStdString();
        return false;
    }
    d->connected = true;
    if (!pollUntil([&] { return !alive() || hasName("org.gnome.Shell"); }, kStartTimeout) || !alive()) {
        if (m_failure.empty())
            m_failure = "gnome-shell did not start: " + shellLog();
        return false;
    }
    const auto evaluates = [&](const std::string& code, const QJsonValue& expected) {
        return pollUntil(
            [&] {
                const auto value = eval(code);
                return value && *value == expected;
            },
            kStartTimeout);
    };
    if (!evaluates("Main.layoutManager._startingUp", false)) {
        m_failure = "gnome-shell did not finish starting: " + m_failure;
        return false;
    }
    // A session starts in the overview.
    if (!evaluates("Main.overview.hide(); Main.overview.visible || Main.overview.animationInProgress", false)) {
        m_failure = "the overview did not close: " + m_failure;
        return false;
    }
    if (m_options.wayland) {
        for (const auto& entry : fs::directory_iterator(d->run())) {
            const std::string file = entry.path().filename().string();
            if (file.starts_with("wayland-") && !file.ends_with(".lock"))
                d->waylandDisplay = file;
        }
        // XWayland, when the shell started one.
        const auto x = eval("[GLib.getenv('DISPLAY') || '', GLib.getenv('XAUTHORITY') || '']");
        if (x && x->isArray()) {
            d->x11Display = x->toArray()[0].toString().toStdString();
            d->xauthority = x->toArray()[1].toString().toStdString();
        }
        // Real input through Clutter's virtual devices. A new device drops its first event: it gets a
        // harmless one in a later call.
        if (!eval("const seat = imports.gi.Clutter.get_default_backend().get_default_seat(); "
                  "global._tarnwickPointer = seat.create_virtual_device(imports.gi.Clutter.InputDeviceType.POINTER_DEVICE); "
                  "global._tarnwickKeyboard = seat.create_virtual_device(imports.gi.Clutter.InputDeviceType.KEYBOARD_DEVICE); "
                  "true")) {
            m_failure = "no virtual input devices: " + m_failure;
            return false;
        }
        eval("global._tarnwickPointer.notify_absolute_motion(GLib.get_monotonic_time(), " +
             std::to_string(m_options.screen.width() / 2) + ", " + std::to_string(m_options.screen.height() / 2) +
             "); global._tarnwickKeyboard.notify_keyval(GLib.get_monotonic_time(), imports.gi.Clutter.KEY_Shift_L, "
             "imports.gi.Clutter.KeyState.RELEASED); true");
    }
    m_failure.clear();
    return true;
}

bool GnomeRig::waitForTrayAndNotifications(std::chrono::milliseconds timeout)
{
    // dunst, xfce4-notifyd and Plasma may claim the name too when something activates it first: only
    // the shell's own server counts.
    const bool up = pollUntil(
        [&] {
            if (m_options.appIndicator && !hasName("org.kde.StatusNotifierWatcher"))
                return false;
            QVariantList reply;
            return call("org.freedesktop.Notifications", "/org/freedesktop/Notifications",
                        "org.freedesktop.Notifications", "GetServerInformation", {}, &reply, 2000) &&
                   !reply.isEmpty() && reply.front().toString() == QStringLiteral("gnome-shell");
        },
        timeout, 200ms);
    if (!up)
        m_failure = std::string(m_options.appIndicator ? "the AppIndicator tray or " : "") +
                    "GNOME's notification server did not come up: " + shellLog();
    return up;
}

void GnomeRig::stop()
{
    if (d->connected) {
        QDBusConnection::disconnectFromBus(d->connectionName);
        d->connected = false;
    }
    if (d->session) {
        // The whole group: the shell, XWayland, and the services its bus started.
        const pid_t group = d->session->pid();
        ::kill(-group, SIGTERM);
        if (!d->session->wait(10s))
            ::kill(-group, SIGKILL);
        d->session->wait(5s);
        ::kill(-group, SIGKILL);
        d->session.reset();
    }
    d->systemBus.reset();
    if (d->xvfb) {
        d->xvfb->sendSignal(SIGTERM);
        d->xvfb->wait(5s);
        d->xvfb.reset();
    }
}

bool GnomeRig::call(const std::string& service, const std::string& path, const std::string& interface,
                    const std::string& method, const QVariantList& args, QVariantList* reply, int timeoutMs)
{
    if (!d->connected) {
        m_failure = "the session's bus is not connected";
        return false;
    }
    QDBusMessage message =
        QDBusMessage::createMethodCall(QString::fromStdString(service), QString::fromStdString(path),
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

bool GnomeRig::hasName(const std::string& name)
{
    return d->connected && d->bus().interface()->isServiceRegistered(QString::fromStdString(name)).value();
}

std::optional<QJsonValue> GnomeRig::eval(const std::string& script)
{
    QVariantList reply;
    if (!call("org.gnome.Shell", "/org/gnome/Shell", "org.gnome.Shell", "Eval", {QString::fromStdString(script)},
              &reply) ||
        reply.size() != 2)
        return std::nullopt;
    const QString text = reply[1].toString();
    if (!reply[0].toBool()) {
        m_failure = "the shell's JavaScript failed: " + text.toStdString();
        return std::nullopt;
    }
    // The shell answers JSON.stringify() of the value, which is empty for undefined.
    if (text.isEmpty())
        return QJsonValue(QJsonValue::Undefined);
    const QJsonDocument document = QJsonDocument::fromJson(("[" + text + "]").toUtf8());
    if (!document.isArray()) {
        m_failure = "the shell answered no JSON: " + text.toStdString();
        return std::nullopt;
    }
    return document.array().first();
}

QImage GnomeRig::screenshot()
{
    static int count = 0;
    const fs::path file = d->dir / "tmp" / ("screenshot-" + std::to_string(++count) + ".png");
    if (!call("org.gnome.Shell.Screenshot", "/org/gnome/Shell/Screenshot", "org.gnome.Shell.Screenshot", "Screenshot",
              {false, false, QString::fromStdString(file.string())}))
        return {};
    QImage image(QString::fromStdString(file.string()));
    std::error_code ec;
    fs::remove(file, ec);
    return image.convertToFormat(QImage::Format_RGB32);
}

std::optional<GnomeRig::TrayItem> GnomeRig::trayItem(int pid)
{
    const auto items = eval(std::string("(() => { ") + kRectFunction +
                            "const out = []; for (const [key, b] of Object.entries(Main.panel.statusArea)) { "
                            "if (!key.startsWith('appindicator-') || !b || !b._indicator || !b._indicator._proxy) continue; "
                            "out.push({bus: b._indicator.busName, button: rect(b), "
                            "icon: b._icon && b._icon.gicon ? rect(b._icon) : null, "
                            "label: b._label && b._label.text ? rect(b._label) : null, "
                            "text: b._label ? b._label.text : ''}); } return out; })()");
    if (!items)
        return std::nullopt;
    for (const QJsonValue& value : items->toArray()) {
        const QJsonObject item = value.toObject();
        const QString bus = item.value(QStringLiteral("bus")).toString();
        if (bus.isEmpty() || int(d->bus().interface()->servicePid(bus).value()) != pid)
            continue;
        TrayItem found{rectFrom(item.value(QStringLiteral("button"))), rectFrom(item.value(QStringLiteral("icon"))),
                       rectFrom(item.value(QStringLiteral("label"))),
                       item.value(QStringLiteral("text")).toString().toStdString(), bus.toStdString()};
        if (found.button.isEmpty() || (found.icon.isEmpty() && found.label.isEmpty()))
            return std::nullopt;
        return found;
    }
    return std::nullopt;
}

std::optional<QRect> GnomeRig::trayItemGeometry(int pid)
{
    if (const auto item = trayItem(pid))
        return item->button;
    return std::nullopt;
}

std::vector<DesktopWindow> GnomeRig::windows()
{
    // What the shell lists for the user: Alt+Tab, the overview and the top bar's application leave
    // out skip-taskbar windows (the utility, menu and other transient types are skip-taskbar too).
    // NORMAL_ALL is no such list: it holds skip-taskbar windows as well.
    const auto list = eval(
        "global.get_window_actors().map(a => { const w = a.meta_window; const r = w.get_frame_rect(); "
        "return {title: w.get_title() || '', pid: w.get_pid(), rect: [r.x, r.y, r.width, r.height], "
        "listed: !w.skip_taskbar && global.display.get_tab_list(Meta.TabList.NORMAL_ALL, null).includes(w)}; })");
    std::vector<DesktopWindow> windows;
    if (!list)
        return windows;
    for (const QJsonValue& value : list->toArray()) {
        const QJsonObject w = value.toObject();
        windows.push_back({w.value(QStringLiteral("title")).toString().toStdString(),
                           w.value(QStringLiteral("pid")).toInt(), rectFrom(w.value(QStringLiteral("rect"))),
                           w.value(QStringLiteral("listed")).toBool()});
    }
    return windows;
}

void GnomeRig::click(QPoint point, int button)
{
    // Separate clicks of a user: two on the same spot within the double-click time would be one
    // double click to the shell.
    constexpr auto kDoubleClickTime = 400ms + 150ms;
    if ((point - d->lastClickPoint).manhattanLength() < 8) {
        const auto since = std::chrono::steady_clock::now() - d->lastClick;
        if (since < kDoubleClickTime)
            std::this_thread::sleep_for(kDoubleClickTime - since);
    }
    if (m_options.wayland) {
        const std::string b = std::to_string(button);
        eval("const p = global._tarnwickPointer; const S = imports.gi.Clutter.ButtonState; "
             "const t = GLib.get_monotonic_time(); p.notify_absolute_motion(t, " +
             std::to_string(point.x()) + ", " + std::to_string(point.y()) + "); p.notify_button(t + 1000, " + b +
             ", S.PRESSED); p.notify_button(t + 50000, " + b + ", S.RELEASED); true");
    } else {
        runInSession({"xdotool", "mousemove", std::to_string(point.x()), std::to_string(point.y()), "click",
                      std::to_string(button)});
    }
    d->lastClick = std::chrono::steady_clock::now();
    d->lastClickPoint = point;
}

void GnomeRig::key(const std::string& key)
{
    if (m_options.wayland) {
        eval("const k = global._tarnwickKeyboard; const C = imports.gi.Clutter; const v = C['KEY_' + " +
             jsString(key) + "]; const t = GLib.get_monotonic_time(); k.notify_keyval(t, v, C.KeyState.PRESSED); "
                             "k.notify_keyval(t + 20000, v, C.KeyState.RELEASED); true");
    } else {
        runInSession({"xdotool", "key", key});
    }
}

bool GnomeRig::pressBannerAction(const std::string& actionKey)
{
    // The banner on screen, its notification's action list (key, label, key, label, …) as the server
    // received it, and the button showing that label once the banner is expanded.
    const std::string find =
        std::string("(() => { ") + kRectFunction +
        "const tray = Main.messageTray; const b = tray._banner; if (!b) return null; "
        "const data = Object.values(Main.notificationDaemon._fdoNotificationDaemon._notifications)"
        ".find(n => n.notification === b.notification); if (!data) return null; "
        "let label = null; for (let i = 0; i + 1 < data.actions.length; i += 2) "
        "if (data.actions[i] === " + jsString(actionKey) + ") label = data.actions[i + 1]; "
        "if (label === null) return null; if (!b.expanded) tray._expandBanner(false); "
        "const button = b._buttonBox ? b._buttonBox.get_children().find(c => c.label === label) : null; "
        "return button ? rect(button) : []; })()";
    QRect button, previous;
    const bool found = pollUntil(
        [&] {
            const auto value = eval(find);
            if (!value || value->isNull())
                return false;
            previous = button;
            button = rectFrom(*value);
            // Laid out and no longer moving.
            return !button.isEmpty() && button == previous;
        },
        5s);
    if (!found) {
        m_failure = "no banner with the action " + actionKey;
        return false;
    }
    click(button.center());
    return true;
}

bool GnomeRig::setDoNotDisturb(bool on)
{
    const std::string showBanners = on ? "false" : "true";
    if (!runInSession({"gsettings", "set", "org.gnome.desktop.notifications", "show-banners", showBanners}))
        return false;
    // The shell has seen the change.
    return pollUntil([&] {
        const auto value = eval("new Gio.Settings({schema_id: 'org.gnome.desktop.notifications'})"
                                ".get_boolean('show-banners')");
        return value && value->toBool() == !on;
    });
}

std::vector<std::string> GnomeRig::visibleBanners()
{
    // The banner on screen and those queued behind it.
    const auto titles = eval("const tray = Main.messageTray; "
                             "(tray._banner ? [tray._banner.notification.title] : [])"
                             ".concat(tray._notificationQueue.filter(n => n !== (tray._banner && tray._banner.notification))"
                             ".map(n => n.title))");
    std::vector<std::string> banners;
    if (titles)
        for (const QJsonValue& title : titles->toArray())
            banners.push_back(title.toString().toStdString());
    return banners;
}

std::vector<GnomeRig::Notification> GnomeRig::notifications()
{
    const auto list = eval("Object.values(Main.notificationDaemon._fdoNotificationDaemon._notifications)"
                           ".map(n => ({id: n.id, app: n.appName, summary: n.summary, body: n.body, "
                           "critical: n.hints && n.hints.urgency === 2, "
                           "posted: n.notification ? n.notification.datetime.to_unix() + "
                           "n.notification.datetime.get_microsecond() / 1e6 : 0}))");
    std::vector<Notification> out;
    if (!list)
        return out;
    for (const QJsonValue& value : list->toArray()) {
        const QJsonObject n = value.toObject();
        out.push_back({unsigned(n.value(QStringLiteral("id")).toInt()), n.value(QStringLiteral("app")).toString().toStdString(),
                       n.value(QStringLiteral("summary")).toString().toStdString(),
                       n.value(QStringLiteral("body")).toString().toStdString(),
                       n.value(QStringLiteral("critical")).toBool(), n.value(QStringLiteral("posted")).toDouble()});
    }
    std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.id < b.id; });
    return out;
}

bool GnomeRig::setAppIndicator(bool on)
{
    const std::string list = on ? std::string("['") + kExtension + "']" : "[]";
    if (!runInSession({"gsettings", "set", "org.gnome.shell", "enabled-extensions", list}))
        return false;
    const bool done = pollUntil([&] { return hasName("org.kde.StatusNotifierWatcher") == on; }, 20s);
    if (!done)
        m_failure = std::string("the AppIndicator tray did not ") + (on ? "start" : "stop") + ": " + shellLog();
    return done;
}

} // namespace tarnwick::testing
