// The astronomy views' paints on the offscreen platform against the fake device: a full paint of
// the Moon Phases view (one Moon evaluation, the panel composed off screen, one transfer) and of
// the Sun rise/set view, with London as the home city on 2006-01-01 at noon.
#include "astro/ui/moonview.h"
#include "astro/ui/sunview.h"
#include "device/fake.h"
#include "settings/settings.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <array>
#include <cstring>
#include <vector>

using namespace hv;

namespace {

struct Setup {
    dev::FakeDevice fake;
    dev::ScopedDevice use{fake};
    CityDatabase cities;
    std::unique_ptr<view::ViewContext> ctx;
    tk::SDrawBasic resources; // the shared fonts and pictures live for the whole run

    Setup() {
        dev::SystemTime noon{};
        noon.year = 2006;
        noon.month = 1;
        noon.day = 1;
        noon.hour = 12;
        fake.clockImpl.setZone(dev::zoneUtc());
        fake.clockImpl.setLocal(noon);
        CityRecord london{};
        london.setName(u"London");
        london.latDegrees = 51;
        london.latMinutes = 30;
        london.north = 1;
        london.lonMinutes = 7;
        london.continent = kEurope;
        std::array<std::vector<uint8_t>, kContinentFiles> images;
        images[kEurope].resize(sizeof london);
        std::memcpy(images[kEurope].data(), &london, sizeof london);
        cities.loadImages(images);
        cities.setHome(kEurope, 0);
        AppState& a = app();
        ctx.reset(new view::ViewContext{cities, items::alarms(), items::timers(), items::events(),
                                        items::stopwatch(), a.settings, a.locale, a.names, nullptr,
                                        nullptr});
    }
};

Setup& setup() {
    static Setup s;
    return s;
}

void BM_MoonViewFullPaint(benchmark::State& state) {
    astroui::MoonView view(*setup().ctx, 8);
    QImage screen = tk::CreateCompatibleBitmap(480, 640);
    for (auto _ : state) {
        tk::DC dc(&screen);
        view.paint(dc);
    }
}
BENCHMARK(BM_MoonViewFullPaint);

void BM_SunViewFullPaint(benchmark::State& state) {
    astroui::SunView view(*setup().ctx, 9);
    QImage screen = tk::CreateCompatibleBitmap(480, 640);
    for (auto _ : state) {
        tk::DC dc(&screen);
        view.paint(dc);
    }
}
BENCHMARK(BM_SunViewFullPaint);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
