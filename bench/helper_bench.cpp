// Whole-process measurements of tarnwick-helper through its real pipes, each beside the same
// measurement against `cat` (a line echo that does no work) as the baseline of this machine and run.
//
//   helper_bench [--benchmark_filter=...]
// Counters: lines/s; "peak_rss_kib" is the helper's high-water mark of resident memory.

#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>
#include <string>

#include "tarnwick/testing/subprocess.h"

using tarnwick::testing::Subprocess;
using tarnwick::testing::builtProgram;

namespace {

enum Program { Helper = 0, Echo = 1 };

std::unique_ptr<Subprocess> start(Program program)
{
    auto p = program == Helper ? std::make_unique<Subprocess>(builtProgram("helper/tarnwick-helper"))
                               : std::make_unique<Subprocess>("/bin/cat");
    if (program == Helper)
        p->readLine(); // the start-up Focus filter report
    return p;
}

std::string request(int id)
{
    return "{\"id\":" + std::to_string(id) + ",\"method\":\"tray.update\",\"params\":{\"totalUnread\":3}}\n";
}

long peakRssKib(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "VmHWM:") {
            status >> value;
            return value;
        }
        status.ignore(4096, '\n');
    }
    return 0;
}

// N requests written in one burst; time until N answers are read.
void BM_Throughput(benchmark::State& state)
{
    const auto program = static_cast<Program>(state.range(0));
    const int n = static_cast<int>(state.range(1));
    auto p = start(program);
    std::string burst;
    for (int i = 0; i < n; ++i)
        burst += request(i);
    for (auto _ : state) {
        p->write(burst);
        for (int i = 0; i < n; ++i)
            if (!p->readLine()) {
                state.SkipWithError("no answer");
                return;
            }
    }
    state.counters["lines/s"] = benchmark::Counter(double(n) * double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["peak_rss_kib"] = double(peakRssKib(p->pid()));
    state.SetLabel(program == Helper ? "tarnwick-helper" : "cat baseline");
}
BENCHMARK(BM_Throughput)->ArgsProduct({{Helper, Echo}, {10'000}})->Unit(benchmark::kMillisecond)->UseRealTime();

// One request, wait for its answer, repeat.
void BM_PingPong(benchmark::State& state)
{
    const auto program = static_cast<Program>(state.range(0));
    auto p = start(program);
    int id = 0;
    for (auto _ : state) {
        p->write(request(id++));
        if (!p->readLine()) {
            state.SkipWithError("no answer");
            return;
        }
    }
    state.SetLabel(program == Helper ? "tarnwick-helper" : "cat baseline");
}
BENCHMARK(BM_PingPong)->Arg(Helper)->Arg(Echo)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Process start to the first answer, then a clean exit.
void BM_StartupToFirstResponse(benchmark::State& state)
{
    const auto program = static_cast<Program>(state.range(0));
    for (auto _ : state) {
        auto p = program == Helper ? std::make_unique<Subprocess>(builtProgram("helper/tarnwick-helper"))
                                   : std::make_unique<Subprocess>("/bin/cat");
        p->write(request(1));
        const bool answered = p->readLineUntil([](const std::string& l) { return l.rfind("{\"id\":1", 0) == 0; }).has_value();
        p->closeStdin();
        p->wait();
        if (!answered) {
            state.SkipWithError("no answer");
            return;
        }
    }
    state.SetLabel(program == Helper ? "tarnwick-helper" : "cat baseline");
}
BENCHMARK(BM_StartupToFirstResponse)->Arg(Helper)->Arg(Echo)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
