// Calendar arithmetic and the formatter, the work of one clock-view paint.
#include "calendar/calendar.h"
#include "device/fake.h"
#include "device/format.h"

#include <benchmark/benchmark.h>

static void BM_WeekNumberBothSchemes(benchmark::State& state) {
    hv::dev::SystemTime t{2024, 12, 0, 30, 0, 0, 0, 0};
    for (auto _ : state) {
        benchmark::DoNotOptimize(hv::WeekNumber(t, hv::WeekScheme::Civil));
        benchmark::DoNotOptimize(hv::WeekNumber(t, hv::WeekScheme::Iso8601));
    }
}
BENCHMARK(BM_WeekNumberBothSchemes);

static void BM_DaysBetweenCentury(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(hv::DaysBetween(1, 1, 1950, 31, 12, 2049));
}
BENCHMARK(BM_DaysBetweenCentury);

static void BM_FormatLongDate(benchmark::State& state) {
    const auto loc = hv::dev::LocaleData::englishUS();
    hv::dev::SystemTime t{2024, 12, 1, 30, 13, 4, 5, 0};
    for (auto _ : state)
        benchmark::DoNotOptimize(hv::dev::formatPicture(t, u"dddd, MMMM dd, yyyy h:mm:ss tt", loc));
}
BENCHMARK(BM_FormatLongDate);
