// The item rules the views run on every tick or list refresh: the next alarm occurrence for all
// twenty alarms, the events file image, and sorting a long event list.
#include "device/fake.h"
#include "items/alarms.h"
#include "items/events.h"
#include "items/listorder.h"

#include <benchmark/benchmark.h>
#include <cstring>

namespace {

void BM_NextOccurrenceAllAlarms(benchmark::State& state) {
    hv::dev::FakeDevice fake;
    hv::dev::ScopedDevice use(fake);
    fake.clockImpl.setLocal(
        hv::dev::toSystemTime(*hv::dev::toFileTime({2026, 12, 0, 9, 10, 0, 0, 0})));
    hv::items::Alarms table;
    for (int i = 0; i < hv::items::kAlarmCount; ++i)
        table.records[static_cast<size_t>(i)].daysMask = static_cast<uint8_t>(1u << (i % 7));
    for (auto _ : state)
        for (int i = 0; i < hv::items::kAlarmCount; ++i)
            benchmark::DoNotOptimize(table.nextOccurrence(i));
}
BENCHMARK(BM_NextOccurrenceAllAlarms);

std::vector<hv::items::EventRecord> someEvents(size_t n) {
    std::vector<hv::items::EventRecord> v(n);
    std::memset(v.data(), 0, n * sizeof(hv::items::EventRecord));
    for (size_t i = 0; i < n; ++i) {
        hv::items::setText(
            v[i].name, u"Event " + std::u16string(1, static_cast<char16_t>(u'A' + (i * 7) % 26)));
        v[i].eventTime = 133480000000000000ULL + (i * 7919 % n) * hv::dev::kTicksPerHour;
    }
    return v;
}

void BM_ParseEvents(benchmark::State& state) {
    const auto bytes =
        hv::items::serializeEvents(someEvents(static_cast<size_t>(state.range(0))), 3);
    for (auto _ : state)
        benchmark::DoNotOptimize(hv::items::parseEvents(bytes.data(), bytes.size()));
}
BENCHMARK(BM_ParseEvents)->Arg(100)->Arg(5000);

void BM_SortEventsByName(benchmark::State& state) {
    const auto events = someEvents(static_cast<size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(hv::items::eventOrder(events, hv::items::SortRule::Name));
}
BENCHMARK(BM_SortEventsByName)->Arg(100)->Arg(1000);

} // namespace
