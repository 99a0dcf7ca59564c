// What users feel of tarnwick-helper, measured from outside on a private session bus that has a
// tray (a StatusNotifierWatcher) and a notification server of the benchmark's own, each figure
// beside a baseline measured in the same run:
//
//   tray.update throughput with changing counts   / the same requests with unchanged counts
//   tray.update -> NewIcon on the bus (median, p99) / tray.update -> its answer on stdout
//   click (Activate) -> popover mapped and painted, 10 accounts x 50 messages, on Xvfb
//                                                   / an empty popup of the same size, opened by this program
//   notify.dispatch -> Notify at the server        / notify-send of the same banner
//   idle wake-ups over 30 s after the popover was opened and closed / cat, idle as long
//
//   scripts/with-session.sh build/test/bench/user_latency_bench [--helper PATH] [--updates N]
//       [--samples N] [--idle-seconds S]
// Cold start to the first answer is helper_bench's BM_StartupToFirstResponse.

#include <QApplication>
#include <QDBusConnection>
#include <QSocketNotifier>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>
#include <unistd.h>

#include "teststatusnotifierwatcher.h"
#include "testnotificationserver.h"
#include "tarnwick/testing/eventwait.h"
#include "userbench.h"
#include "xmapwatch.h"

using namespace tarnwick::bench;
using tarnwick::testing::PrivateBus;
using tarnwick::testing::Subprocess;
using tarnwick::testing::TestNotificationServer;
using tarnwick::testing::TestStatusNotifierWatcher;
using tarnwick::testing::waitUntil;

namespace {

constexpr int kAccounts = 10;

int number(int argc, char** argv, const std::string& name, int fallback)
{
    return std::max(1, std::atoi(argument(argc, argv, name, std::to_string(fallback)).c_str()));
}

void report(const char* what, double figure, const char* unit, double baseline, const char* target)
{
    std::printf("%-44s %10.2f %-6s baseline %10.2f  ratio %6.2f   %s\n", what, figure, unit, baseline,
                baseline > 0 ? figure / baseline : 0.0, target);
    std::fflush(stdout);
}

// Publishes the helper's item with ten accounts and waits until the watcher lists it.
std::optional<QString> publish(Helper& helper, TestStatusNotifierWatcher& watcher, long& id)
{
    helper.send("{\"id\":" + std::to_string(++id) + ",\"method\":\"tray.create\"}");
    helper.send(trayUpdate(++id, rotatingCounts(kAccounts, 0)));
    if (!helper.awaitResponse(id))
        return std::nullopt;
    // This helper's item (the watcher still lists those of helpers that have gone).
    const QString own = QStringLiteral("StatusNotifierItem-%1-").arg(helper.pid());
    QString service;
    waitUntil([&] {
        for (const QString& item : watcher.registeredItems())
            if (item.contains(own))
                service = item;
        return !service.isEmpty();
    }, std::chrono::seconds(20));
    if (service.isEmpty())
        return std::nullopt;
    return service;
}

// N requests written at once (the write keeps reading the answers, so neither pipe stalls); the
// time from the first byte to the last answer.
double updatesPerSecond(Helper& helper, long& id, int n, bool changing)
{
    std::string burst;
    const long first = id + 1;
    for (int k = 0; k < n; ++k)
        burst += trayUpdate(++id, rotatingCounts(kAccounts, changing ? k + 1 : 0)) + "\n";
    const auto start = Clock::now();
    helper.process().write(burst);
    const bool answered = helper.awaitResponse(first + n - 1, std::chrono::seconds(600));
    const double seconds = millisecondsSince(start) / 1000.0;
    if (!answered) {
        std::fprintf(stderr, "the helper did not answer all %d updates\n", n);
        std::exit(1);
    }
    return n / seconds;
}

// The label the item publishes for `accounts` accounts at `seed` (see trayUpdate).
QString labelFor(int seed)
{
    QStringList counts;
    for (int i = 0; i < kAccounts; ++i)
        counts << QString::number((seed + i) % 60);
    return counts.join(QLatin1Char(' '));
}

void benchUpdates(const PrivateBus& bus, TestStatusNotifierWatcher& watcher, const std::string& program, int updates,
                  int samples)
{
    Helper helper(program, bus);
    long id = 0;
    const auto service = publish(helper, watcher, id);
    if (!service) {
        std::fprintf(stderr, "the item was not published: %s\n", helper.process().stderrText().c_str());
        std::exit(1);
    }
    const double unchanged = updatesPerSecond(helper, id, updates, false);
    const double changing = updatesPerSecond(helper, id, updates, true);
    report("tray.update, counts changing (updates/s)", changing, "/s", unchanged, "target >= 5000/s");
    // The picture follows the last update: the label carries its counts.
    const QString label = watcher.itemProperty(*service, QStringLiteral("XAyatanaLabel")).toString();
    if (label != labelFor(updates))
        std::printf("  the item's label after the burst is \"%s\", not the last counts\n", qPrintable(label));

    watcher.watchItemSignals(*service);
    watcher.itemProperty(*service, QStringLiteral("Id")); // the match rules are in place
    // The square picture shows the total as a badge up to 99: one account's count moves it.
    const auto badgeCounts = [](int k) {
        std::vector<int> counts(kAccounts, 0);
        counts[0] = 1 + k % 90;
        return counts;
    };
    std::vector<double> icon, answer;
    for (int k = 0; k < samples; ++k) {
        helper.drain();
        const int before = watcher.signalCount(QStringLiteral("NewIcon"));
        const auto start = Clock::now();
        helper.send(trayUpdate(++id, badgeCounts(k)));
        if (!waitUntil([&] { return watcher.signalCount(QStringLiteral("NewIcon")) > before; }, std::chrono::seconds(10))) {
            std::fprintf(stderr, "no NewIcon after tray.update\n");
            std::exit(1);
        }
        icon.push_back(millisecondsSince(start));
        // The baseline: the same kind of request with the counts it already has, to its answer.
        const auto again = Clock::now();
        helper.send(trayUpdate(++id, badgeCounts(k)));
        helper.awaitResponse(id);
        answer.push_back(millisecondsSince(again));
    }
    const Percentiles i = percentiles(icon), a = percentiles(answer);
    report("tray.update -> NewIcon, median (ms)", i.median, "ms", a.median, "target < 2 ms");
    report("tray.update -> NewIcon, p99 (ms)", i.p99, "ms", a.p99, "");
    helper.process().closeStdin();
    helper.process().wait();
}

void benchNotify(const PrivateBus& bus, TestNotificationServer& server, const std::string& program, int samples)
{
    Helper helper(program, bus);
    long id = 0;
    helper.send("{\"id\":" + std::to_string(++id) + ",\"method\":\"notify.setup\"}");
    helper.awaitResponse(id);
    // The first banner sets things up (its capabilities, the picture folder): not what a later one costs.
    std::size_t seen = server.notifyCalls().size();
    helper.send(notifyDispatch(++id, 0));
    waitUntil([&] { return server.notifyCalls().size() > seen; });
    std::vector<double> dispatch, notifySend;
    for (int k = 1; k <= samples; ++k) {
        helper.drain();
        seen = server.notifyCalls().size();
        auto start = Clock::now();
        helper.send(notifyDispatch(++id, k));
        if (!waitUntil([&] { return server.notifyCalls().size() > seen; }, std::chrono::seconds(10))) {
            std::fprintf(stderr, "no Notify after notify.dispatch: %s\n", helper.process().stderrText().c_str());
            std::exit(1);
        }
        dispatch.push_back(millisecondsSince(start));
        server.closeNotification(server.notifyCalls().back().id, 2);

        seen = server.notifyCalls().size();
        start = Clock::now();
        Subprocess send(tarnwick::testing::programOnPath("notify-send"),
                        {"--app-name=Tarnwick", "Ada", "Banner " + std::to_string(k)}, bus.options());
        waitUntil([&] { return server.notifyCalls().size() > seen; }, std::chrono::seconds(10));
        notifySend.push_back(millisecondsSince(start));
        send.wait();
    }
    const Percentiles d = percentiles(dispatch), s = percentiles(notifySend);
    report("notify.dispatch -> Notify, median (ms)", d.median, "ms", s.median, "target < 2 ms");
    report("notify.dispatch -> Notify, p99 (ms)", d.p99, "ms", s.p99, "");
    helper.process().closeStdin();
    helper.process().wait();
}

// This program as the baseline's opener: on "show" (a line on standard input) a new empty popup of
// the given size, as the helper builds a new popover for every click; on "hide" it goes.
int emptyPopup(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QSize size(number(argc, argv, "--width", 340), number(argc, argv, "--height", 400));
    std::unique_ptr<QWidget> popup;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[64];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            QCoreApplication::quit();
        } else if (buffer[0] == 's') {
            popup = std::make_unique<QWidget>(nullptr, Qt::Popup | Qt::FramelessWindowHint);
            popup->setAutoFillBackground(true);
            popup->setFixedSize(size);
            popup->move(470, 34);
            popup->show();
        } else {
            popup.reset();
        }
    });
    return QApplication::exec();
}

void benchPopover(const PrivateBus& bus, TestStatusNotifierWatcher& watcher, const std::string& program,
                  const std::string& self, int samples, int idleSeconds)
{
    VirtualScreen screen;
    if (screen.display().empty()) {
        std::printf("click -> painted popover: skipped, Xvfb did not start\n");
        return;
    }
    XMapWatch xwatch(screen.display());
    Helper helper(program, bus, screen.display());
    long id = 0;
    const auto service = publish(helper, watcher, id);
    if (!service || !xwatch.isConnected()) {
        std::fprintf(stderr, "the item was not published on the virtual screen\n");
        std::exit(1);
    }
    for (int account = 0; account < kAccounts; ++account)
        helper.send(trayMessages(++id, account, 50, 0));
    helper.awaitResponse(id);

    std::vector<double> popover;
    int width = 340, height = 400;
    for (int k = 0; k < samples; ++k) {
        helper.drain();
        const auto start = Clock::now();
        watcher.callItem(*service, QStringLiteral("Activate"), {640, 30});
        const auto shown = xwatch.awaitShown(start, std::chrono::seconds(10));
        if (!shown) {
            std::fprintf(stderr, "the popover did not show: %s\n", helper.process().stderrText().c_str());
            std::exit(1);
        }
        popover.push_back(shown->paintedMs);
        width = shown->width;
        height = shown->height;
        watcher.callItem(*service, QStringLiteral("Activate"), {640, 30});
        xwatch.awaitHidden(std::chrono::seconds(10));
        // Past the debounce that keeps a closing click from opening it again.
        waitUntil([] { return false; }, std::chrono::milliseconds(300));
    }

    std::vector<double> empty;
    tarnwick::testing::Subprocess::Options options = bus.options();
    options.setEnv["DISPLAY"] = screen.display();
    options.unsetEnv = {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY"};
    Subprocess opener(self, {"--empty-popup", "--width", std::to_string(width), "--height", std::to_string(height)},
                      options);
    waitUntil([] { return false; }, std::chrono::seconds(1)); // started and connected to the screen
    for (int k = 0; k < samples; ++k) {
        const auto start = Clock::now();
        opener.write("show\n");
        const auto shown = xwatch.awaitShown(start, std::chrono::seconds(10));
        if (!shown) {
            std::fprintf(stderr, "the empty popup did not show\n");
            std::exit(1);
        }
        empty.push_back(shown->paintedMs);
        opener.write("hide\n");
        xwatch.awaitHidden(std::chrono::seconds(10));
    }
    opener.closeStdin();
    opener.wait();
    const Percentiles p = percentiles(popover), e = percentiles(empty);
    std::printf("popover %d x %d pixels, 10 accounts x 50 messages\n", width, height);
    report("click -> popover painted, median (ms)", p.median, "ms", e.median, "target ratio < 3");
    report("click -> popover painted, p99 (ms)", p.p99, "ms", e.p99, "");

    // Idle: the item published, the popover opened and closed; nothing arrives for a while.
    Subprocess idle("/bin/cat");
    waitUntil([] { return false; }, std::chrono::seconds(2));
    long catWakeups = 0;
    std::thread baseline([&] { catWakeups = contextSwitchesOver(idle.pid(), idleSeconds); });
    const long helperWakeups = contextSwitchesOver(helper.pid(), idleSeconds);
    baseline.join();
    std::printf("%-44s %10ld        baseline %10ld (cat)  over %d s\n", "idle wake-ups (context switches)",
                helperWakeups, catWakeups, idleSeconds);
    helper.process().closeStdin();
    helper.process().wait();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::string(argv[1]) == "--empty-popup")
        return emptyPopup(argc, argv);

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
    const std::string program = helperProgram(argc, argv);
    const int samples = number(argc, argv, "--samples", 50);
    std::printf("tarnwick-helper: %s\n", program.c_str());
    benchUpdates(bus, watcher, program, number(argc, argv, "--updates", 5000), samples);
    benchNotify(bus, server, program, samples);
    char self[4096];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    self[std::max<ssize_t>(length, 0)] = 0;
    benchPopover(bus, watcher, program, self, std::min(samples, 20), number(argc, argv, "--idle-seconds", 30));
    return 0;
}
