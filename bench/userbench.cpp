#include "userbench.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

namespace tarnwick::bench {

namespace fs = std::filesystem;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

Percentiles percentiles(std::vector<double> samples)
{
    if (samples.empty())
        return {};
    std::sort(samples.begin(), samples.end());
    const auto rank = [&](double q) {
        const auto index = static_cast<std::size_t>(std::ceil(q * double(samples.size()))) - 1;
        return samples[std::min(index, samples.size() - 1)];
    };
    return {rank(0.5), rank(0.99)};
}

namespace {

long statusField(const fs::path& status, const std::string& key)
{
    std::ifstream in(status);
    std::string name;
    long value = 0;
    while (in >> name) {
        if (name == key) {
            in >> value;
            return value;
        }
        in.ignore(4096, '\n');
    }
    return 0;
}

} // namespace

long residentKib(pid_t pid)
{
    return statusField("/proc/" + std::to_string(pid) + "/status", "VmRSS:");
}

long contextSwitchesOver(pid_t pid, int seconds)
{
    const auto perThread = [pid] {
        std::map<std::string, long> counts;
        std::error_code ec;
        for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec))
            counts[task.path().filename().string()] = statusField(task.path() / "status", "voluntary_ctxt_switches:") +
                                                      statusField(task.path() / "status", "nonvoluntary_ctxt_switches:");
        return counts;
    };
    std::map<std::string, long> last = perThread();
    long total = 0;
    for (int second = 0; second < seconds; ++second) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const std::map<std::string, long> now = perThread();
        for (const auto& [thread, count] : now) {
            const auto before = last.find(thread);
            total += count - (before == last.end() ? 0 : before->second);
        }
        last = now;
    }
    return total;
}

VirtualScreen::VirtualScreen()
{
    m_server = std::make_unique<testing::Subprocess>(
        testing::programOnPath("Xvfb"),
        std::vector<std::string>{"-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp"});
    if (auto number = m_server->readLine(std::chrono::seconds(20)))
        m_display = ":" + *number;
}

std::string argument(int argc, char** argv, const std::string& name, const std::string& fallback)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (argv[i] == name)
            return argv[i + 1];
    return fallback;
}

std::string helperProgram(int argc, char** argv)
{
    return argument(argc, argv, "--helper", testing::builtProgram("helper/tarnwick-helper"));
}

Helper::Helper(const std::string& program, const testing::PrivateBus& bus, const std::string& display)
{
    // Laid out like an installed prefix: a helper with the application's desktop entry beside it has
    // the identity notifications need.
    const fs::path bin = m_home / "prefix/bin";
    fs::create_directories(bin);
    fs::copy_file(program, bin / "tarnwick-helper", fs::copy_options::overwrite_existing);
    m_home.write("prefix/share/applications/com.fenmoorlab.tarnwick.desktop",
                 "[Desktop Entry]\nType=Application\nName=Tarnwick\nExec=tarnwick\n");
    fs::create_directories(m_home / "tmp");
    testing::Subprocess::Options options = bus.options();
    options.setEnv["HOME"] = m_home.path().string();
    options.setEnv["XDG_CONFIG_HOME"] = (m_home / "config").string();
    options.setEnv["XDG_DATA_HOME"] = (m_home / "data").string();
    options.setEnv["XDG_CACHE_HOME"] = (m_home / "cache").string();
    options.setEnv["TMPDIR"] = (m_home / "tmp").string();
    if (display.empty()) {
        options.setEnv["QT_QPA_PLATFORM"] = "offscreen";
        options.unsetEnv = {"DISPLAY", "WAYLAND_DISPLAY"};
    } else {
        options.setEnv["DISPLAY"] = display;
        options.unsetEnv = {"WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
    }
    m_process = std::make_unique<testing::Subprocess>((bin / "tarnwick-helper").string(), std::vector<std::string>{},
                                                      options);
}

bool Helper::awaitResponse(long id, std::chrono::milliseconds timeout)
{
    const std::string prefix = "{\"id\":" + std::to_string(id) + ",";
    return m_process->readLineUntil([&](const std::string& line) { return line.rfind(prefix, 0) == 0; }, timeout)
        .has_value();
}

void Helper::drain()
{
    while (m_process->readLine(std::chrono::milliseconds(0))) {
    }
}

std::vector<int> rotatingCounts(int accounts, int seed)
{
    std::vector<int> counts;
    for (int i = 0; i < accounts; ++i)
        counts.push_back((seed + i) % 60);
    return counts;
}

std::string trayUpdate(long id, const std::vector<int>& counts)
{
    std::string list;
    long total = 0;
    for (int i = 0; i < int(counts.size()); ++i) {
        const int unread = counts[std::size_t(i)];
        total += unread;
        if (!list.empty())
            list += ",";
        list += "{\"id\":\"acct" + std::to_string(i) + "\",\"name\":\"Account " + std::to_string(i) +
                "\",\"color\":\"#" + std::to_string(100000 + i * 80000).substr(0, 6) +
                "\",\"email\":\"user" + std::to_string(i) + "@example.com\",\"unreadCount\":" + std::to_string(unread) +
                "}";
    }
    return "{\"id\":" + std::to_string(id) + ",\"method\":\"tray.update\",\"params\":{\"accounts\":[" + list +
           "],\"totalUnread\":" + std::to_string(total) + ",\"unreadDisplay\":\"numbers\"}}";
}

std::string trayMessages(long id, int account, int count, int round)
{
    std::string list;
    const long long newest = 1'765'000'000'000LL + round * 300'000LL;
    for (int m = 0; m < count; ++m) {
        if (!list.empty())
            list += ",";
        const std::string key = std::to_string(account) + "-" + std::to_string(round) + "-" + std::to_string(m);
        list += "{\"id\":\"m" + key + "\",\"threadId\":\"t" + key + "\",\"from\":\"\\\"Sender " + std::to_string(m) +
                "\\\" <sender" + std::to_string(m) + "@example.com>\",\"subject\":\"Subject line of message " + key +
                "\",\"snippet\":\"The first words of the message, as the list shows them\",\"internalDate\":\"" +
                std::to_string(newest - m * 60'000LL) + "\",\"labelIds\":[" + (m % 3 ? "\"INBOX\"" : "\"UNREAD\"") +
                "],\"category\":\"primary\"}";
    }
    return "{\"id\":" + std::to_string(id) + ",\"method\":\"tray.messages\",\"params\":{\"accountId\":\"acct" +
           std::to_string(account) + "\",\"messages\":[" + list + "]}}";
}

std::string notifyDispatch(long id, int serial)
{
    const std::string key = std::to_string(serial);
    return "{\"id\":" + std::to_string(id) + ",\"method\":\"notify.dispatch\",\"params\":{\"accountId\":\"acct0\","
           "\"messages\":[{\"id\":\"n" + key + "\",\"threadId\":\"nt" + key +
           "\",\"from\":\"\\\"Ada\\\" <ada@example.com>\",\"subject\":\"Banner " + key +
           "\",\"snippet\":\"A new message\",\"category\":\"primary\"}],\"notifications\":{\"primary\":\"loud\"}}}";
}

bool usePrivateBus(const tarnwick::testing::PrivateBus& bus)
{
    if (bus.address().empty()) {
        std::fprintf(stderr, "no private bus: %s\n", bus.failure().c_str());
        return false;
    }
    // The benchmark's own tray and notification server live on the private bus.
    ::setenv("DBUS_SESSION_BUS_ADDRESS", bus.address().c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return true;
}

} // namespace tarnwick::bench
