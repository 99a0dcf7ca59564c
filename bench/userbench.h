#pragma once

// What the whole-process benchmarks of user-visible latency share: a private session bus with a
// tray (StatusNotifierWatcher) and a notification server owned by the benchmark itself, an optional
// Xvfb, the helper started on them, and the figures (percentiles, resident memory, wake-ups) read
// from outside the helper, as a user's desktop would see it.

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

#include "tarnwick/testing/privatebus.h"
#include "tarnwick/testing/subprocess.h"
#include "tarnwick/testing/tempdir.h"

namespace tarnwick::bench {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start);

/// Median and 99th percentile (nearest rank) of samples; zero when there are none.
struct Percentiles {
    double median = 0;
    double p99 = 0;
};
Percentiles percentiles(std::vector<double> samples);

/// Resident memory of a process now, in KiB (VmRSS); 0 when it is gone.
long residentKib(pid_t pid);
/// Context switches (voluntary and not; each is a wake-up) of all the process's threads over
/// `seconds`, sampled every second so that a thread ending meanwhile does not take its count away.
long contextSwitchesOver(pid_t pid, int seconds);

/// An Xvfb of the benchmark's own; empty display when Xvfb could not start.
class VirtualScreen {
public:
    VirtualScreen();
    const std::string& display() const { return m_display; }

private:
    std::unique_ptr<testing::Subprocess> m_server;
    std::string m_display;
};

/// `--name value` from the command line, or `fallback`.
std::string argument(int argc, char** argv, const std::string& name, const std::string& fallback);

/// The helper program: `--helper PATH` (to measure another build), else the one of this build tree.
std::string helperProgram(int argc, char** argv);

/// Points this process (and the helpers it starts) at `bus` and at Qt's offscreen platform, before
/// the QApplication is made; false, with the reason printed, when the bus did not start.
bool usePrivateBus(const tarnwick::testing::PrivateBus& bus);

/// The helper running on `bus` (and on `display` when not empty, else offscreen), with a home and
/// temporary directory of its own. Standard error is drained into memory.
class Helper {
public:
    Helper(const std::string& program, const testing::PrivateBus& bus, const std::string& display = {});

    testing::Subprocess& process() { return *m_process; }
    pid_t pid() const { return m_process->pid(); }
    void send(const std::string& line) { m_process->write(line + "\n"); }
    /// Waits for the answer to request `id`; false on timeout.
    bool awaitResponse(long id, std::chrono::milliseconds timeout = std::chrono::seconds(60));
    /// Reads every output line that is already there, without waiting.
    void drain();

private:
    testing::TempDir m_home;
    std::unique_ptr<testing::Subprocess> m_process;
};

/// A `tray.update` with one account per count.
std::string trayUpdate(long id, const std::vector<int>& unread);
/// Counts for `accounts` accounts that change with `seed`: account i has (seed + i) % 60 unread.
std::vector<int> rotatingCounts(int accounts, int seed);
/// A `tray.messages` of `count` messages for account `account`, their ids unique to `round`.
std::string trayMessages(long id, int account, int count, int round);
/// A `notify.dispatch` of one new primary message, loud.
std::string notifyDispatch(long id, int serial);

} // namespace tarnwick::bench
