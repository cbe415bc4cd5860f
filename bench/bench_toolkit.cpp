// The toolkit's per-tick drawing costs: rendering pictures and copying composed bitmaps.
#include "toolkit/controls/controlrules.h"
#include "toolkit/window/dc.h"
#include "toolkit/window/picture.h"

#include <benchmark/benchmark.h>

using namespace hv::tk;

static QImage strip() {
    QImage img(234, 44, QImage::Format_RGB32);
    for (int x = 0; x < 234; ++x)
        for (int y = 0; y < 44; ++y)
            img.setPixel(x, y, qRgb(x, y * 5, 128));
    return img;
}

static void BM_ButtonStretch(benchmark::State& state) {
    const QImage src = strip();
    for (auto _ : state)
        benchmark::DoNotOptimize(RenderRegion(src, {2, 0, 20, 42}, 100, 42));
}
BENCHMARK(BM_ButtonStretch);

static void BM_DividerAcrossTheScreen(benchmark::State& state) {
    const QImage src = strip();
    for (auto _ : state)
        benchmark::DoNotOptimize(RenderRegion(src, {56, 33, 57, 39}, 480, 8));
}
BENCHMARK(BM_DividerAcrossTheScreen);

static void BM_TickBlit480x170(benchmark::State& state) {
    QImage screen = CreateCompatibleBitmap(480, 640);
    const QImage digits = CreateCompatibleBitmap(480, 170);
    for (auto _ : state) {
        DC dc(&screen);
        dc.BitBlt(0, 110, 480, 170, digits, 0, 0);
    }
}
BENCHMARK(BM_TickBlit480x170);

static void BM_MirroredHandFrame(benchmark::State& state) {
    QImage screen = CreateCompatibleBitmap(480, 640);
    QImage frames(16 * 60, 120, QImage::Format_RGB32);
    frames.fill(Qt::black);
    for (auto _ : state) {
        DC dc(&screen);
        dc.TransparentImage(240, 320, -60, -120, frames, 5 * 60, 0, 60, 120, RGB(0, 0, 0));
    }
}
BENCHMARK(BM_MirroredHandFrame);

static void BM_MonthGrid(benchmark::State& state) {
    int m = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(LayoutMonth(2024, m++ % 12 + 1, 6));
}
BENCHMARK(BM_MonthGrid);
