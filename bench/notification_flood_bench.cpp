// A flood of banners to a notification server that never closes them (several servers keep
// persistent notifications until the user acts), measured on the real program:
//   - tarnwick-helper, laid out as installed (so it posts banners), on a dbus-daemon of its own, with
//     this program as org.freedesktop.Notifications answering every Notify and closing nothing itself;
//   - N "notify.dispatch" requests of one message each, categories in turn;
//   - the helper's resident memory (VmRSS along the way, VmHWM at the end) against its own right
//     after start-up (the baseline of this run), the picture files on disk, and how long
//     "notify.clearAll" takes after 1 000 banners (baseline) and after all N.
//
//   notification_flood_bench [--banners N] [--paced]        (200 000 by default)
// --paced writes each request once the server shows the one before, so every banner reaches the
// server; by default they are written as fast as the pipe takes them.
// Prints the figures and the bounds they are held to (peak RSS under 80 MB, at most one picture per
// category, clearAll under 1 s), and exits 1 when one is missed.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QStringList>
#include <QVariantMap>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>
#include <poll.h>
#include <set>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr double kRssBoundMb = 80.0;
constexpr double kClearAllBoundMs = 1000.0;
constexpr std::size_t kCategories = 5;
const char* const kCategoryNames[kCategories] = {"primary", "social", "promotions", "updates", "forums"};

// ---- the notification server that never closes anything on its own ----

class NeverClosingServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    std::atomic<std::size_t> notified{0};
    std::atomic<long> newest{-1};  ///< the highest message number a banner showed

    std::size_t openCount() const
    {
        std::lock_guard lock(m_mutex);
        return m_open.size();
    }
    std::set<QString> images() const
    {
        std::lock_guard lock(m_mutex);
        return m_images;
    }

public Q_SLOTS:
    QStringList GetCapabilities() { return {QStringLiteral("actions"), QStringLiteral("body"), QStringLiteral("body-markup")}; }
    uint Notify(const QString&, uint replacesId, const QString&, const QString&, const QString& body, const QStringList&,
                const QVariantMap& hints, int)
    {
        const long number = body.section(QLatin1Char(' '), 1).toLong();
        if (number > newest.load())
            newest = number;
        const uint id = replacesId ? replacesId : ++m_nextId;
        {
            std::lock_guard lock(m_mutex);
            m_open.insert(id);
            m_images.insert(hints.value(QStringLiteral("image-path")).toString());
        }
        if (!replacesId)
            ++notified;
        return id;
    }
    void CloseNotification(uint id)
    {
        // Closed on request, as every server does, and said so.
        {
            std::lock_guard lock(m_mutex);
            m_open.erase(id);
        }
        Q_EMIT NotificationClosed(id, 3);
    }
    QString GetServerInformation(QString& vendor, QString& version, QString& specVersion)
    {
        vendor = QStringLiteral("bench");
        version = QStringLiteral("1");
        specVersion = QStringLiteral("1.2");
        return QStringLiteral("never-closing");
    }

Q_SIGNALS:
    void NotificationClosed(uint id, uint reason);
    void ActionInvoked(uint id, const QString& actionKey);

private:
    uint m_nextId = 0;
    mutable std::mutex m_mutex;
    std::set<uint> m_open;
    std::set<QString> m_images;
};

// ---- child processes ----

struct Child {
    pid_t pid = -1;
    int in = -1;   // its standard input
    int out = -1;  // its standard output
};

Child spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env, const std::string& errFile)
{
    int toChild[2], fromChild[2];
    if (::pipe2(toChild, O_CLOEXEC) != 0 || ::pipe2(fromChild, O_CLOEXEC) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char*> args, envp;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    for (const auto& e : env)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    Child child;
    if (posix_spawn(&child.pid, args[0], &actions, nullptr, args.data(), envp.data()) != 0)
        child.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(toChild[0]);
    ::close(fromChild[1]);
    child.in = toChild[1];
    child.out = fromChild[0];
    return child;
}

std::vector<std::string> environmentWith(const std::vector<std::pair<std::string, std::string>>& set,
                                         const std::vector<std::string>& unset)
{
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry(*e);
        const std::string name = entry.substr(0, entry.find('='));
        bool dropped = std::find(unset.begin(), unset.end(), name) != unset.end();
        for (const auto& [key, value] : set)
            dropped = dropped || key == name;
        if (!dropped)
            env.push_back(entry);
    }
    for (const auto& [key, value] : set)
        env.push_back(key + "=" + value);
    return env;
}

// Reads one line from `fd` (blocking), keeping what follows in `buffer`.
std::optional<std::string> readLine(int fd, std::string& buffer)
{
    for (;;) {
        if (const auto nl = buffer.find('\n'); nl != std::string::npos) {
            std::string line = buffer.substr(0, nl);
            buffer.erase(0, nl + 1);
            return line;
        }
        char chunk[65536];
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return std::nullopt;
        buffer.append(chunk, static_cast<std::size_t>(n));
    }
}

double statusMb(pid_t pid, const char* field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0)
            return std::strtod(line.c_str() + std::strlen(field) + 1, nullptr) / 1024.0;
    return 0;
}

// Picture files in the helper's own directories under `dir` (others keep files there too: dconf).
std::size_t picturesUnder(const fs::path& dir)
{
    std::size_t count = 0;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        count += it->is_regular_file() && it->path().parent_path().filename().string().starts_with("tarnwick-pictures-");
    return count;
}

bool waitFor(const std::function<bool()>& condition, std::chrono::seconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    while (!condition()) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// ---- the run ----

struct Results {
    bool ok = false;
    std::string failure;
    double startRssMb = 0, peakRssMb = 0, endRssMb = 0;
    std::vector<double> rssAlongMb;
    std::size_t picturesOnDisk = 0, picturePaths = 0;
    double floodSeconds = 0;
    std::size_t shownByServer = 0;
    double clearAllBaselineMs = 0, clearAllMs = 0;
    bool picturesGoneAtExit = false;
};

class Driver {
public:
    Driver(Child helper, NeverClosingServer& server, fs::path runtimeDir, std::size_t banners, bool paced)
        : m_helper(helper), m_server(server), m_runtime(std::move(runtimeDir)), m_banners(banners), m_paced(paced)
    {
    }

    Results run()
    {
        Results r;
        if (!request(R"({"id":1,"method":"notify.setup"})")) {
            r.failure = "the helper did not answer notify.setup";
            return r;
        }
        r.startRssMb = statusMb(m_helper.pid, "VmRSS:");

        const std::size_t baselineCount = std::min<std::size_t>(1000, m_banners);
        const auto started = Clock::now();
        if (!flood(0, baselineCount, r) || !clearAll(baselineCount, r.clearAllBaselineMs)) {
            r.failure = "the first " + std::to_string(baselineCount) + " banners did not go through";
            return r;
        }
        if (!flood(baselineCount, m_banners, r)) {
            r.failure = "the flood did not go through: the newest banner shown is " + std::to_string(m_server.newest.load());
            return r;
        }
        r.floodSeconds = msSince(started) / 1000.0;
        r.shownByServer = m_server.notified.load();
        r.endRssMb = statusMb(m_helper.pid, "VmRSS:");
        r.picturesOnDisk = picturesUnder(m_runtime);
        r.picturePaths = m_server.images().size();
        if (!clearAll(m_banners, r.clearAllMs)) {
            r.failure = "notify.clearAll left banners open";
            return r;
        }
        r.peakRssMb = statusMb(m_helper.pid, "VmHWM:");
        ::close(m_helper.in);
        int status = 0;
        ::waitpid(m_helper.pid, &status, 0);
        r.picturesGoneAtExit = picturesUnder(m_runtime) == 0;
        r.ok = true;
        return r;
    }

private:
    bool request(const std::string& line)
    {
        const std::string text = line + "\n";
        if (::write(m_helper.in, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
            return false;
        const auto id = line.substr(6, line.find(',') - 6);
        while (auto answer = readLine(m_helper.out, m_buffer))
            if (answer->rfind("{\"id\":" + id + ",", 0) == 0)
                return true;
        return false;
    }

    // Dispatches banners [from, to), reading the answers as they come, then waits until the server
    // has seen every one.
    bool flood(std::size_t from, std::size_t to, Results& r)
    {
        std::string pending;
        std::size_t written = from, answered = from;
        const std::size_t checkpoint = std::max<std::size_t>(1, m_banners / 10);
        while (answered < to) {
            // Paced: the next request only once the server shows the last one, so every banner
            // reaches it (and the helper withdraws every one beyond the hundred it remembers).
            const bool mayWrite = !m_paced || m_server.newest.load() >= static_cast<long>(written) - 1;
            if (pending.empty() && written < to && mayWrite) {
                for (int i = 0; i < (m_paced ? 1 : 256) && written < to; ++i, ++written) {
                    pending += "{\"id\":" + std::to_string(10 + written) +
                               ",\"method\":\"notify.dispatch\",\"params\":{\"accountId\":\"bench\",\"messages\":[{\"id\":\"m" +
                               std::to_string(written) + "\",\"category\":\"" + kCategoryNames[written % kCategories] +
                               "\",\"subject\":\"Message " + std::to_string(written) + "\"}]}}\n";
                }
            }
            pollfd fds[2] = {{m_helper.out, POLLIN, 0}, {pending.empty() ? -1 : m_helper.in, POLLOUT, 0}};
            const int ready = ::poll(fds, 2, m_paced ? 1 : 30000);
            if (ready < 0 || (ready == 0 && !m_paced))
                return false;
            if (fds[1].revents & POLLOUT) {
                const ssize_t n = ::write(m_helper.in, pending.data(), pending.size());
                if (n < 0 && errno != EINTR && errno != EAGAIN)
                    return false;
                pending.erase(0, n > 0 ? static_cast<std::size_t>(n) : 0);
            }
            if (fds[0].revents & (POLLIN | POLLHUP)) {
                char chunk[65536];
                const ssize_t n = ::read(m_helper.out, chunk, sizeof chunk);
                if (n <= 0)
                    return false;
                for (ssize_t i = 0; i < n; ++i) {
                    if (chunk[i] == '\n' && ++answered % checkpoint == 0)
                        r.rssAlongMb.push_back(statusMb(m_helper.pid, "VmRSS:"));
                }
            }
        }
        // The helper keeps only the latest requests that wait for the server; the newest always comes.
        return waitFor([&] { return m_server.newest.load() >= static_cast<long>(to) - 1; }, std::chrono::seconds(600));
    }

    bool clearAll(std::size_t serial, double& ms)
    {
        const auto start = Clock::now();
        if (!request("{\"id\":" + std::to_string(1'000'000'000 + serial) + ",\"method\":\"notify.clearAll\"}"))
            return false;
        const bool closed = waitFor([&] { return m_server.openCount() == 0; }, std::chrono::seconds(60));
        ms = msSince(start);
        return closed;
    }

    Child m_helper;
    NeverClosingServer& m_server;
    fs::path m_runtime;
    std::size_t m_banners;
    bool m_paced;
    std::string m_buffer;
};

} // namespace

int main(int argc, char** argv)
{
    std::size_t banners = 200000;
    bool paced = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--banners" && i + 1 < argc)
            banners = std::strtoul(argv[++i], nullptr, 10);
        else if (std::string(argv[i]) == "--paced")
            paced = true;
    }
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);

    char pattern[] = "/tmp/tarnwick-flood-XXXXXX";
    if (!::mkdtemp(pattern))
        return 2;
    const fs::path dir(pattern);
    const fs::path runtime = dir / "run";
    fs::create_directories(runtime);
    fs::permissions(runtime, fs::perms::owner_all);
    {
        std::ofstream conf(dir / "bus.conf");
        conf << "<busconfig><type>session</type><listen>unix:tmpdir=" << dir.string()
             << "</listen><auth>EXTERNAL</auth><policy context=\"default\"><allow send_destination=\"*\"/><allow receive_sender=\"*\"/>"
                "<allow own=\"*\"/></policy></busconfig>";
    }
    const Child daemon = spawn({"/usr/bin/dbus-daemon", "--config-file=" + (dir / "bus.conf").string(), "--nofork",
                                "--print-address"},
                               environmentWith({}, {}), (dir / "dbus.log").string());
    std::string buffer;
    const auto address = daemon.pid > 0 ? readLine(daemon.out, buffer) : std::nullopt;
    if (!address) {
        std::fprintf(stderr, "dbus-daemon did not start\n");
        return 2;
    }

    NeverClosingServer server;
    QDBusConnection bus = QDBusConnection::connectToBus(QString::fromStdString(*address), QStringLiteral("flood-server"));
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &server,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals) ||
        !bus.registerService(QStringLiteral("org.freedesktop.Notifications"))) {
        std::fprintf(stderr, "could not own org.freedesktop.Notifications\n");
        return 2;
    }

    // Installed beside its desktop entry: only then does the helper post banners.
    fs::create_directories(dir / "prefix" / "bin");
    fs::create_directories(dir / "prefix" / "share" / "applications");
    fs::copy_file(TARNWICK_HELPER_PROGRAM, dir / "prefix" / "bin" / "tarnwick-helper");
    std::ofstream(dir / "prefix" / "share" / "applications" / "com.fenmoorlab.tarnwick.desktop")
        << "[Desktop Entry]\nType=Application\nName=Tarnwick\nExec=tarnwick\n";
    const Child helper = spawn({(dir / "prefix" / "bin" / "tarnwick-helper").string()},
                               environmentWith({{"DBUS_SESSION_BUS_ADDRESS", *address},
                                                {"XDG_RUNTIME_DIR", runtime.string()},
                                                {"TMPDIR", (dir / "tmp").string()},
                                                {"QT_QPA_PLATFORM", "offscreen"}},
                                               {"DISPLAY", "WAYLAND_DISPLAY"}),
                               (dir / "helper.log").string());

    Results results;
    std::thread driver([&] {
        results = Driver(helper, server, runtime, banners, paced).run();
        QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    app.exec();
    driver.join();
    bus.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
    bus = QDBusConnection(QString());
    QDBusConnection::disconnectFromBus(QStringLiteral("flood-server"));
    ::kill(daemon.pid, SIGTERM);
    ::waitpid(daemon.pid, nullptr, 0);

    if (!results.ok) {
        std::printf("FAILED: %s (helper log: %s)\n", results.failure.c_str(), (dir / "helper.log").c_str());
        std::fflush(stdout);
        return 1;
    }
    std::printf("banners dispatched          %zu in %.1f s (%.0f/s), none closed by the server\n", banners,
                results.floodSeconds, banners / results.floodSeconds);
    std::printf("banners the server got      %zu%s\n", results.shownByServer,
                paced ? "" : " (the rest waited behind 100 newer ones and were dropped)");
    std::printf("helper RSS after start-up   %.1f MB (baseline)\n", results.startRssMb);
    std::printf("helper RSS along the flood ");
    for (double mb : results.rssAlongMb)
        std::printf(" %.1f", mb);
    std::printf(" MB\nhelper RSS after the flood  %.1f MB (%.2fx the baseline)\n", results.endRssMb,
                results.endRssMb / results.startRssMb);
    std::printf("helper peak RSS (VmHWM)     %.1f MB (bound %.0f MB)\n", results.peakRssMb, kRssBoundMb);
    std::printf("picture files on disk       %zu, picture paths in banners %zu (bound %zu, one per category)\n",
                results.picturesOnDisk, results.picturePaths, kCategories);
    std::printf("notify.clearAll             %.1f ms after 1 000 banners (baseline), %.1f ms after %zu (%.2fx; bound %.0f ms)\n",
                results.clearAllBaselineMs, results.clearAllMs, banners, results.clearAllMs / results.clearAllBaselineMs,
                kClearAllBoundMs);
    std::printf("pictures removed at exit    %s\n", results.picturesGoneAtExit ? "yes" : "no");

    const bool within = results.peakRssMb < kRssBoundMb && results.picturesOnDisk <= kCategories &&
                        results.picturePaths <= kCategories && results.clearAllMs < kClearAllBoundMs &&
                        results.picturesGoneAtExit;
    std::printf("%s\n", within ? "WITHIN BOUNDS" : "OUT OF BOUNDS");
    std::fflush(stdout);
    std::error_code ignored;
    fs::remove_all(dir, ignored);
    return within ? 0 : 1;
}

#include "notification_flood_bench.moc"
