// One paint of the analog clock renderer, as every tick of the General and Analog Clock views
// runs it: a working copy of the cached face, the three hands, one block transfer to the screen
// and (General face) the time text. Fake device, offscreen Qt.
#include "clockface/analogclock.h"
#include "device/fake.h"
#include "settings/settings.h"

#include <QApplication>

#include <benchmark/benchmark.h>

using namespace hv;
using namespace hv::clockface;

namespace {

dev::SystemTime timeAt(int second) {
    dev::SystemTime t{};
    t.year = 2026;
    t.month = 3;
    t.day = 10;
    t.hour = 8;
    t.minute = 17;
    t.second = static_cast<uint16_t>(second % 60);
    return t;
}

void paintLoop(benchmark::State& state, FaceKind kind, tk::POINT at, qreal ratio) {
    dev::FakeDevice fake;
    dev::ScopedDevice use(fake);
    resetAppState();
    tk::SDrawBasic resources;
    AnalogClock clock(kind, at);
    QImage screen(static_cast<int>(480 * ratio), static_cast<int>(640 * ratio),
                  QImage::Format_RGB32);
    screen.setDevicePixelRatio(ratio);
    screen.fill(Qt::white);
    int second = 0;
    for (auto _ : state) {
        tk::DC dc(&screen);
        clock.Paint(dc, timeAt(second++));
    }
    benchmark::DoNotOptimize(screen.constBits());
}

void BM_GeneralClockPaint(benchmark::State& state) {
    paintLoop(state, FaceKind::General, {20, 60}, 1);
}
BENCHMARK(BM_GeneralClockPaint);

void BM_GeneralClockPaintScale2(benchmark::State& state) {
    paintLoop(state, FaceKind::General, {20, 60}, 2);
}
BENCHMARK(BM_GeneralClockPaintScale2);

void BM_AnalogClockPaint(benchmark::State& state) {
    paintLoop(state, FaceKind::Analog, {60, 86}, 1);
}
BENCHMARK(BM_AnalogClockPaint);

void BM_SmallClockPaint(benchmark::State& state) {
    paintLoop(state, FaceKind::Small, {20, 100}, 1);
}
BENCHMARK(BM_SmallClockPaint);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
