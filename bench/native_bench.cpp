// Toolbar input handling: parsing an accounts text of 10 accounts and applying it to the switcher
// (what every toolbar_update_accounts costs on the UI thread), beside the bare JSON parse of the
// same text, the baseline of this machine and run. Also the recogniser's per-event cost for a
// trackpad scroll, beside calling an empty std::function. And updateAccounts with nine accounts (one
// per shortcut) from the call to the switcher repainted, beside repainting the unchanged switcher.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>

#include "tarnwick/native/accountsegmentedcontrol.h"
#include "tarnwick/native/mousenavigationrecognizer.h"
#include "tarnwick/native/toolbarmodel.h"
#include "tarnwick/rpc/json.h"

using namespace tarnwick::native;

namespace {

std::string accountsJson(int count = 10, int extraUnread = 0)
{
    std::string json = R"({"activeAccountId":"a3","accounts":[)";
    for (int i = 0; i < count; ++i) {
        if (i)
            json += ",";
        json += R"({"id":"a)" + std::to_string(i) + R"(","name":"Account number )" + std::to_string(i)
            + R"(","color":"#a855f7","unreadCount":)" + std::to_string(i * 17 + extraUnread)
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

// Paints the switcher as the window system would after a change: every segment, into a picture.
void repaint(AccountSegmentedControl& control, QImage& canvas)
{
    control.adjustSize();
    if (canvas.size() != control.size())
        canvas = QImage(control.size(), QImage::Format_ARGB32_Premultiplied);
    control.render(&canvas);
}

void NineAccountsRepaintBaseline(benchmark::State& state)
{
    ToolbarModel model;
    model.update(accountsJson(9));
    AccountSegmentedControl control;
    control.setLabels(kLabels);
    control.configure(model.accounts, model.activeAccountId);
    QImage canvas;
    for (auto _ : state)
        repaint(control, canvas);
}
BENCHMARK(NineAccountsRepaintBaseline)->Unit(benchmark::kMicrosecond);

void NineAccountsUpdateToRepaintedSwitcher(benchmark::State& state)
{
    // Counts that change with every call, as they do in use.
    const std::string texts[2] = {accountsJson(9), accountsJson(9, 1)};
    AccountSegmentedControl control;
    control.setLabels(kLabels);
    QImage canvas;
    int call = 0;
    for (auto _ : state) {
        ToolbarModel model;
        model.update(texts[++call % 2]);
        control.configure(model.accounts, model.activeAccountId);
        repaint(control, canvas);
    }
}
BENCHMARK(NineAccountsUpdateToRepaintedSwitcher)->Unit(benchmark::kMicrosecond);

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
