// Toolbar input handling: parsing an accounts text of 10 accounts and applying it to the switcher
// (what every toolbar_update_accounts costs on the UI thread), beside the bare JSON parse of the
// same text, the baseline of this machine and run. Also the recogniser's per-event cost for a
// trackpad scroll, beside calling an empty std::function.
#include <benchmark/benchmark.h>

#include <QApplication>

#include "tarnwick/native/accountsegmentedcontrol.h"
#include "tarnwick/native/mousenavigationrecognizer.h"
#include "tarnwick/native/toolbarmodel.h"
#include "tarnwick/rpc/json.h"

using namespace tarnwick::native;

namespace {

std::string accountsJson()
{
    std::string json = R"({"activeAccountId":"a3","accounts":[)";
    for (int i = 0; i < 10; ++i) {
        if (i)
            json += ",";
        json += R"({"id":"a)" + std::to_string(i) + R"(","name":"Account number )" + std::to_string(i)
            + R"(","color":"#a855f7","unreadCount":)" + std::to_string(i * 17)
            + R"(,"excludedByFocus":false,"disabledByFocus":false,"needsAuth":false})";
    }
    return json + "]}";
}

const ToolbarLabels kLabels(ToolbarLabels::Map{{"toolbar.account.unread", "{name}: {count} unread{shortcut}"},
                             {"toolbar.account.noUnread", "{name}: no unread{shortcut}"},
                             {"toolbar.account.oneUnread", "{name}: 1 unread{shortcut}"}});

void JsonParseBaseline(benchmark::State& state)
{
    const std::string json = accountsJson();
    for (auto _ : state)
        benchmark::DoNotOptimize(tarnwick::json::parse(json));
}
BENCHMARK(JsonParseBaseline);

void AccountsUpdateParse(benchmark::State& state)
{
    const std::string json = accountsJson();
    for (auto _ : state) {
        ToolbarModel model;
        benchmark::DoNotOptimize(model.update(json));
    }
}
BENCHMARK(AccountsUpdateParse);

void AccountsUpdateAndSwitcherConfigure(benchmark::State& state)
{
    const std::string json = accountsJson();
    AccountSegmentedControl control;
    control.setLabels(kLabels);
    for (auto _ : state) {
        ToolbarModel model;
        model.update(json);
        control.configure(model.accounts, model.activeAccountId);
    }
}
BENCHMARK(AccountsUpdateAndSwitcherConfigure);

void EmptyCallBaseline(benchmark::State& state)
{
    std::function<void(int)> f = [](int) {};
    int i = 0;
    for (auto _ : state)
        f(++i);
}
BENCHMARK(EmptyCallBaseline);

void RecognizerScrollEvent(benchmark::State& state)
{
    int navigations = 0;
    MouseNavigationRecognizer recognizer([&](NavigationDirection, NavigationSource) { ++navigations; });
    NavigationInput event;
    event.kind = NavigationInput::Kind::ScrollWheel;
    event.deltaX = 3;
    event.deltaY = 0.5;
    event.phase = scrollphase::kChanged;
    for (auto _ : state)
        benchmark::DoNotOptimize(recognizer.filter(event, true));
    benchmark::DoNotOptimize(navigations);
}
BENCHMARK(RecognizerScrollEvent);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
