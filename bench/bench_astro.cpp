// Cost of the computations the sun, Moon, World Time and Time Calc views run on every paint.
#include "astro/moon.h"
#include "astro/sun.h"
#include "astro/terminator.h"
#include "timescales/timescales.h"

#include <benchmark/benchmark.h>

namespace {

void BM_SunRiseSet(benchmark::State& state) {
    int day = 1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(hv::astro::SunRiseSet(51.5, -0.1167, 1, 90.833, 2006, 6, day));
        day = day % 28 + 1;
    }
}
BENCHMARK(BM_SunRiseSet);

void BM_MoonEvaluate(benchmark::State& state) {
    double jd = hv::astro::JulianDayOf(2006, 1, 10, 12, 0, 0);
    for (auto _ : state) {
        const hv::astro::MoonClock c{jd, 2006 + (jd - 2453736.5 - 1) / 365.25};
        benchmark::DoNotOptimize(hv::astro::EvaluateMoon(c, false));
        jd += 0.37;
        if (jd > 2454000)
            jd -= 200;
    }
}
BENCHMARK(BM_MoonEvaluate);

void BM_Terminator480(benchmark::State& state) {
    hv::dev::SystemTime t{2006, 6, 0, 21, 12, 0, 0, 0};
    for (auto _ : state) {
        benchmark::DoNotOptimize(hv::astro::TerminatorAt(t, 480, 240));
        t.minute = static_cast<uint16_t>((t.minute + 1) % 60);
    }
}
BENCHMARK(BM_Terminator480);

void BM_TerminatorWithNightRuns480x240(benchmark::State& state) {
    hv::dev::SystemTime t{2006, 6, 0, 21, 12, 0, 0, 0};
    for (auto _ : state) {
        const hv::astro::Terminator term = hv::astro::TerminatorAt(t, 480, 240);
        benchmark::DoNotOptimize(hv::astro::NightRuns(term, 240));
        t.minute = static_cast<uint16_t>((t.minute + 1) % 60);
    }
}
BENCHMARK(BM_TerminatorWithNightRuns480x240);

void BM_TimeCalcRow(benchmark::State& state) {
    hv::CityRecord london{}, sydney{};
    london.dstUsed = sydney.dstUsed = 1;
    london.dstStart = london.dstEnd = sydney.dstStart = sydney.dstEnd = 0x40; // last Sunday
    london.dstStartMonth = sydney.dstEndMonth = 2;                            // March
    london.dstEndMonth = sydney.dstStartMonth = 9;                            // October
    sydney.gmtOffset = 600;
    hv::dev::SystemTime t{2006, 7, 0, 1, 12, 0, 0, 0};
    for (auto _ : state) {
        benchmark::DoNotOptimize(hv::TimeCalcRow(london, t, sydney));
        t.minute = static_cast<uint16_t>((t.minute + 1) % 60);
    }
}
BENCHMARK(BM_TimeCalcRow);

} // namespace
