// The shell's work per tick: the decision made ten times a second, and the status texts made
// once a second.
#include "device/fake.h"
#include "settings/settings.h"
#include "shellcore/shellcore.h"
#include "shellcore/statusbar.h"
#include "shellcore/statussources.h"

#include <benchmark/benchmark.h>

using namespace hv;
using namespace hv::shell;

static void BM_TickWithoutNewSecond(benchmark::State& state) {
    SettingsRecord s{};
    fillSettingsDefaults(s);
    Ticker t;
    dev::SystemTime now{2026, 3, 6, 14, 10, 0, 5, 0};
    t.tick(now, s, false, kGeneral);
    for (auto _ : state) {
        now.milliseconds = static_cast<uint16_t>((now.milliseconds + 100) % 1000);
        benchmark::DoNotOptimize(t.tick(now, s, false, kGeneral));
    }
}
BENCHMARK(BM_TickWithoutNewSecond);

static void BM_StatusTextsDefaultParts(benchmark::State& state) {
    dev::FakeDevice fake;
    dev::ScopedDevice use(fake);
    SettingsRecord s{};
    fillSettingsDefaults(s);
    StandInStatusSources src;
    const dev::SystemTime now{2026, 3, 6, 14, 10, 0, 5, 0};
    const auto kinds = statusKinds(s);
    for (auto _ : state)
        for (StatusKind k : kinds)
            benchmark::DoNotOptimize(statusText(k, src, now));
}
BENCHMARK(BM_StatusTextsDefaultParts);

static void BM_StatusTextAlarm(benchmark::State& state) {
    dev::FakeDevice fake;
    dev::ScopedDevice use(fake);
    StandInStatusSources src;
    for (int i = 0; i < 20; ++i)
        src.alarms_[static_cast<size_t>(i)] = {i % 2 == 0, 133'000'000'000'000'000ULL + 7ULL * i};
    const dev::SystemTime now{2026, 3, 6, 14, 10, 0, 5, 0};
    for (auto _ : state)
        benchmark::DoNotOptimize(statusText(StatusKind::Alarm, src, now));
}
BENCHMARK(BM_StatusTextAlarm);
