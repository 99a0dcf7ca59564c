// A day of tarnwick-helper, compressed: what a main application sends in 24 hours, sent back to back
// (the helper keeps no clock for any of it, so only the order matters), with the helper's resident
// memory sampled every simulated hour. On Xvfb with a tray and a notification server of the
// benchmark's own on a private bus:
//   10 accounts x 200 messages; tray.update every 30 s (2 880); tray.messages for every account every
//   5 minutes (2 880); 500 banners, each closed by the server; 50 popover openings.
// Baseline: the helper's memory right after start-up, measured in the same run.
//
//   scripts/with-session.sh build/test/bench/simulated_day_bench [--helper PATH]

#include <QApplication>
#include <cstdio>

#include "teststatusnotifierwatcher.h"
#include "testnotificationserver.h"
#include "tarnwick/testing/eventwait.h"
#include "userbench.h"

using namespace tarnwick::bench;
using tarnwick::testing::PrivateBus;
using tarnwick::testing::TestNotificationServer;
using tarnwick::testing::TestStatusNotifierWatcher;
using tarnwick::testing::waitUntil;

namespace {

constexpr int kAccounts = 10;
constexpr int kMessages = 200;
constexpr int kUpdatesPerHour = 120;    // every 30 s
constexpr int kMessageRoundsPerHour = 12; // every 5 minutes
constexpr int kHours = 24;
constexpr int kBanners = 500;
constexpr int kPopoverOpenings = 50;

} // namespace

int main(int argc, char** argv)
{
    PrivateBus bus;
    if (!usePrivateBus(bus))
        return 1;
    QApplication app(argc, argv);
    TestStatusNotifierWatcher watcher;
    TestNotificationServer server;
    if (!watcher.start() || !server.start()) {
        std::fprintf(stderr, "cannot own the tray's or the notification server's name\n");
        return 1;
    }
    VirtualScreen screen;
    if (screen.display().empty())
        std::printf("Xvfb did not start: the helper runs offscreen\n");
    Helper helper(helperProgram(argc, argv), bus, screen.display());
    long id = 0;
    helper.send("{\"id\":" + std::to_string(++id) + ",\"method\":\"notify.setup\"}");
    helper.awaitResponse(id);
    waitUntil([] { return false; }, std::chrono::seconds(1));
    const long startKib = residentKib(helper.pid());

    helper.send("{\"id\":" + std::to_string(++id) + ",\"method\":\"tray.create\"}");
    helper.send(trayUpdate(++id, rotatingCounts(kAccounts, 0)));
    helper.awaitResponse(id);
    if (!waitUntil([&] { return !watcher.registeredItems().isEmpty(); }, std::chrono::seconds(20))) {
        std::fprintf(stderr, "the item was not published: %s\n", helper.process().stderrText().c_str());
        return 1;
    }
    const QString service = watcher.registeredItems().front();

    std::vector<long> hourly;
    int banner = 0, openings = 0, update = 0, round = 0;
    const auto started = Clock::now();
    for (int hour = 0; hour < kHours; ++hour) {
        for (int step = 0; step < kUpdatesPerHour; ++step) {
            helper.send(trayUpdate(++id, rotatingCounts(kAccounts, ++update)));
            if (step % (kUpdatesPerHour / kMessageRoundsPerHour) == 0) {
                ++round;
                for (int account = 0; account < kAccounts; ++account)
                    helper.send(trayMessages(++id, account, kMessages, round));
            }
            // Banners and openings spread evenly over the day.
            const int slot = hour * kUpdatesPerHour + step;
            const int slots = kHours * kUpdatesPerHour;
            while (banner < kBanners && banner * slots <= slot * kBanners) {
                const std::size_t seen = server.notifyCalls().size();
                helper.send(notifyDispatch(++id, banner++));
                if (waitUntil([&] { return server.notifyCalls().size() > seen; }, std::chrono::seconds(10)))
                    server.closeNotification(server.notifyCalls().back().id, 2);
            }
            if (openings < kPopoverOpenings && openings * slots <= slot * kPopoverOpenings) {
                ++openings;
                watcher.callItem(service, QStringLiteral("Activate"), {640, 30});
                helper.awaitResponse(id); // everything sent so far has been handled
                helper.process().readLineUntil(
                    [](const std::string& line) { return line == R"({"method":"tray.popoverOpened"})"; });
                // Past the debounce, then closed again by a second click.
                waitUntil([] { return false; }, std::chrono::milliseconds(300));
                watcher.callItem(service, QStringLiteral("Activate"), {640, 30});
                waitUntil([] { return false; }, std::chrono::milliseconds(300));
            }
        }
        if (!helper.awaitResponse(id)) {
            std::fprintf(stderr, "the helper stopped answering in hour %d: %s\n", hour,
                         helper.process().stderrText().c_str());
            return 1;
        }
        // The server's answers and closes have reached the helper too.
        server.flush();
        waitUntil([] { return false; }, std::chrono::milliseconds(50));
        hourly.push_back(residentKib(helper.pid()));
    }
    const double seconds = millisecondsSince(started) / 1000.0;

    std::printf("simulated day: %d tray.update, %d tray.messages (%d messages each), %d banners, %d openings in %.1f s\n",
                update, round * kAccounts, kMessages, banner, openings, seconds);
    std::printf("RSS by hour (MiB):");
    for (long kib : hourly)
        std::printf(" %.1f", kib / 1024.0);
    std::printf("\n");
    const long end = hourly.back(), middle = hourly[kHours / 2 - 1];
    long peak = 0;
    for (long kib : hourly)
        peak = std::max(peak, kib);
    std::printf("%-44s %10.1f MiB  baseline %8.1f MiB (after start-up)  ratio %5.2f   target < 45 MiB\n",
                "RSS at the end of the day", end / 1024.0, startKib / 1024.0, double(end) / double(startKib));
    std::printf("%-44s %+10.1f MiB  (peak %.1f MiB)   target: no growth\n", "growth over the second half",
                (end - middle) / 1024.0, peak / 1024.0);
    helper.process().closeStdin();
    helper.process().wait();
    return 0;
}
