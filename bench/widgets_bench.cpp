// Widget rendering: each kind built from a realistic snapshot, drawn at 2x and encoded as PNG, the
// way `tarnwick-widgets render` and the window's refresh do it. "PngEncodeBlank" encodes a blank
// image of the same pixel size: the baseline of this machine and run, since encoding is the part of
// a render the views cannot make cheaper. Decoding the snapshot is measured on its own.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QBuffer>
#include <QImage>

#include "tarnwick/rpc/json.h"
#include "tarnwick/widgets/views/widgetrenderer.h"
#include "tarnwick/widgets/widgetcache.h"

using namespace tarnwick;

namespace {

WidgetCache snapshot()
{
    WidgetCache c;
    c.totalUnread = 23;
    c.accounts = {{"work", "Work", "#2563EB", "w@example.com", 12},
                  {"personal", "Personal", "#C05A4E", "p@example.com", 7},
                  {"studio", "Studio Lumen", "#16A34A", "s@example.com", 3},
                  {"club", "Rowing Club", "#D97706", "c@example.com", 1}};
    const char* const categories[] = {"primary", "social", "promotions", "updates", "forums"};
    for (int i = 0; i < 20; ++i) {
        CachedMessage m{"m" + std::to_string(i), "t" + std::to_string(i), c.accounts[i % 4].id,
                        "Sender number " + std::to_string(i), "A subject line that is long enough to elide " +
                        std::to_string(i), "snippet", 1765000000000.0 - i * 3.6e6, std::string(categories[i % 5]),
                        i % 3 != 0};
        c.messages.push_back(m);
    }
    return c;
}

QByteArray encode(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

WidgetEnvironment environment()
{
    WidgetEnvironment env = WidgetEnvironment::current();
    env.now = QDateTime::fromMSecsSinceEpoch(1765000000000, QTimeZone::utc());
    env.timeZone = QTimeZone::utc();
    return env;
}

void BM_PngEncodeBlank(benchmark::State& state)
{
    const QSize points = WidgetContainer::familySize(static_cast<WidgetFamily>(state.range(0)));
    QImage image(points * 2, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    for (auto _ : state)
        benchmark::DoNotOptimize(encode(image));
    state.SetLabel(std::string("baseline, ") + std::string(widgetkind::familyName(WidgetFamily(state.range(0)))));
}
BENCHMARK(BM_PngEncodeBlank)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

void BM_RenderKind(benchmark::State& state)
{
    const WidgetKind kind = static_cast<WidgetKind>(state.range(0));
    const WidgetCache cache = snapshot();
    const WidgetEnvironment env = environment();
    for (auto _ : state) {
        const auto widget = makeWidget(kind, cache, env);
        benchmark::DoNotOptimize(encode(renderWidget(*widget, 2.0)));
    }
    state.SetLabel(std::string(widgetkind::info(kind).shortName));
}
BENCHMARK(BM_RenderKind)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

void BM_DecodeSnapshot(benchmark::State& state)
{
    const std::string text = *json::toString(snapshot().toValue());
    for (auto _ : state)
        benchmark::DoNotOptimize(WidgetCache::decode(text));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_DecodeSnapshot)->Unit(benchmark::kMicrosecond);

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
