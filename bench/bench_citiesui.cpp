// One minute's redraw of the World Time map, as the view runs it when the UTC minute turns: the
// terminator for every pixel column, the night side copied run by run from the night picture over
// a copy of the day picture, and the two marks. Fake device, offscreen Qt.
#include "cities/ui/worldmap.h"
#include "device/fake.h"
#include "settings/settings.h"

#include <QApplication>

#include <benchmark/benchmark.h>

using namespace hv;

namespace {

void composeLoop(benchmark::State& state, qreal ratio) {
    dev::FakeDevice fake;
    dev::ScopedDevice use(fake);
    resetAppState();
    tk::SDrawBasic resources;
    citiesui::STMap map;
    map.show(nullptr); // loads the pictures; there is no window to show it in
    map.setMarks({51, 0, true, false}, {40, 74, true, false});
    dev::SystemTime utc{};
    utc.year = 2026;
    utc.month = 12;
    utc.day = 8;
    int minute = 0;
    for (auto _ : state) {
        utc.hour = static_cast<uint16_t>(minute / 60 % 24);
        utc.minute = static_cast<uint16_t>(minute % 60);
        ++minute;
        QImage img = map.compose(utc, ratio);
        benchmark::DoNotOptimize(img.constBits());
    }
}

void BM_WorldMapMinute(benchmark::State& state) {
    composeLoop(state, 1);
}
BENCHMARK(BM_WorldMapMinute);

void BM_WorldMapMinuteScale2(benchmark::State& state) {
    composeLoop(state, 2);
}
BENCHMARK(BM_WorldMapMinuteScale2);

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
