// Burst throughput of tarnwick-helper beside its two baselines, measured in the same run:
//   - a Node.js JSON-lines peer with the helper's dispatch shape (peers/node_peer.js),
//   - a cat-style line echo that only writes each line back (peers/line_echo.c).
// Each program gets the same N requests written at once; the time runs from the first byte written
// to the N-th answer read. Every answer is checked: the helper and the peer must produce exactly the
// expected lines (in any order, since Focus filter answers come from a later turn).
//
//   helper_burst_bench [--requests N] [--rounds R]
// Prints requests/s per program (best of R rounds, programs interleaved) and the ratios.

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <map>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

struct Program {
    std::string label;
    std::vector<std::string> argv;
    bool checkAnswers; // the echo answers with the requests themselves
};

std::string request(int id)
{
    if (id % 4 == 1)
        return "{\"id\":" + std::to_string(id) + ",\"method\":\"focusFilter.get\"}\n";
    return "{\"id\":" + std::to_string(id) + ",\"method\":\"tray.update\",\"params\":{\"totalUnread\":" +
           std::to_string(id % 7) + "}}\n";
}

std::string answer(int id)
{
    if (id % 4 == 1)
        return "{\"id\":" + std::to_string(id) +
               ",\"result\":{\"activeAccountIds\":[],\"disableExcludedAccounts\":false,\"isFilterActive\":false}}\n";
    return "{\"id\":" + std::to_string(id) + ",\"result\":\"ok\"}\n";
}

// Order-independent digest of a set of lines.
std::uint64_t digestOf(std::string_view text)
{
    std::uint64_t sum = 0;
    while (!text.empty()) {
        const auto nl = text.find('\n');
        const auto line = text.substr(0, nl + 1);
        sum += std::hash<std::string_view>{}(line) * 0x9E3779B97F4A7C15ull + line.size();
        text.remove_prefix(line.size());
    }
    return sum;
}

void writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

struct Run {
    double seconds = 0;
    bool ok = false;
    std::string why;
};

Run runOnce(const Program& program, const std::string& burst, int requests, std::uint64_t expectedDigest)
{
    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) || ::pipe2(out, O_CLOEXEC) || ::pipe2(err, O_CLOEXEC))
        return {0, false, "pipe"};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    std::vector<char*> argv;
    for (const std::string& a : program.argv)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    if (spawned != 0)
        return {0, false, "cannot start " + program.argv[0]};

    // Standard error is drained the whole time, as a host that logs the helper's records would.
    std::thread stderrDrain([fd = err[0]] {
        char buf[1 << 16];
        while (::read(fd, buf, sizeof buf) > 0) {
        }
    });

    std::string output;
    output.reserve(burst.size() * 2);
    char buf[1 << 16];
    auto readSome = [&]() -> bool {
        const ssize_t n = ::read(out[0], buf, sizeof buf);
        if (n <= 0)
            return false;
        output.append(buf, static_cast<std::size_t>(n));
        return true;
    };
    // Wait for the program's first line (its start-up announcement): start-up is not measured.
    while (output.find('\n') == std::string::npos)
        if (!readSome())
            break;
    output.erase(0, output.find('\n') + 1);

    Run run;
    const auto start = std::chrono::steady_clock::now();
    std::thread writer([&] { writeAll(in[1], burst); });
    long lines = static_cast<long>(std::count(output.begin(), output.end(), '\n'));
    while (lines < requests) {
        const std::size_t before = output.size();
        if (!readSome())
            break;
        lines += static_cast<long>(std::count(output.begin() + static_cast<long>(before), output.end(), '\n'));
    }
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    writer.join();
    ::close(in[1]);
    while (readSome()) {
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    stderrDrain.join();
    ::close(out[0]);
    ::close(err[0]);

    if (lines < requests)
        run.why = "only " + std::to_string(lines) + " of " + std::to_string(requests) + " answers";
    else if (program.checkAnswers && digestOf(output) != expectedDigest)
        run.why = "answers differ from the expected bytes";
    else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        run.why = "exit status " + std::to_string(status);
    else
        run.ok = true;
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    int requests = 100'000;
    int rounds = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--requests") == 0)
            requests = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--rounds") == 0)
            rounds = std::max(1, std::atoi(argv[i + 1]));
    }
    ::signal(SIGPIPE, SIG_IGN);
    // A hermetic helper: no display, no bus; neither is on the request path.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/tarnwick-bench-no-bus", 1);

    std::string burst, expected;
    for (int id = 0; id < requests; ++id) {
        burst += request(id);
        expected += answer(id);
    }
    const std::uint64_t expectedDigest = digestOf(expected);

    const std::array<Program, 3> programs = {{
        {"tarnwick-helper", {TARNWICK_HELPER_PROGRAM}, true},
        {"node peer", {TARNWICK_NODE_PROGRAM, TARNWICK_NODE_PEER}, true},
        {"line echo", {TARNWICK_LINE_ECHO}, false},
    }};
    std::array<double, 3> best{};
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t p = 0; p < programs.size(); ++p) {
            const Run run = runOnce(programs[p], burst, requests, expectedDigest);
            if (!run.ok) {
                std::fprintf(stderr, "%s: %s\n", programs[p].label.c_str(), run.why.c_str());
                return 1;
            }
            best[p] = std::max(best[p], requests / run.seconds);
        }
    }
    std::printf("burst of %d requests, best of %d rounds (requests/s)\n", requests, rounds);
    for (std::size_t p = 0; p < programs.size(); ++p)
        std::printf("  %-16s %10.0f\n", programs[p].label.c_str(), best[p]);
    std::printf("helper/node  %.2f\nhelper/echo  %.2f\n", best[0] / best[1], best[0] / best[2]);
    return 0;
}
