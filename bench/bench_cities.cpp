// The city database and city time: loading the shipped files with the six-way merge, one city's
// wall time (the work of every city clock on each tick), all 512 city times (a full world-time
// list), and an add with its delete (the city editor).
#include "cities/citydatabase.h"
#include "cities/citytime.h"
#include "device/text.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>

namespace {

std::array<std::vector<uint8_t>, hv::kContinentFiles> shippedImages() {
    std::array<std::vector<uint8_t>, hv::kContinentFiles> images;
    for (size_t c = 0; c < images.size(); ++c) {
        std::ifstream in(std::string(HV_DATA_DIR) + "/" + hv::dev::toUtf8(hv::kCityFileNames[c]),
                         std::ios::binary);
        images[c].assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return images;
}

constexpr hv::dev::FileTime kJuly2026 =
    hv::dev::kUnixEpochFileTime + 20635ULL * hv::dev::kTicksPerDay;

} // namespace

static void BM_CityDatabaseLoadAndMerge(benchmark::State& state) {
    const auto images = shippedImages();
    for (auto _ : state) {
        hv::CityDatabase db;
        benchmark::DoNotOptimize(db.loadImages(images));
    }
}
BENCHMARK(BM_CityDatabaseLoadAndMerge)->Unit(benchmark::kMicrosecond);

static void BM_CityTimeOneCity(benchmark::State& state) {
    hv::CityDatabase db;
    db.loadImages(shippedImages());
    hv::dev::FileTime utc = kJuly2026;
    for (auto _ : state) {
        benchmark::DoNotOptimize(hv::CityTimeAt(db, hv::kEurope, 40, utc));
        utc += hv::dev::kTicksPerSecond;
    }
}
BENCHMARK(BM_CityTimeOneCity);

static void BM_CityTimeAll512(benchmark::State& state) {
    hv::CityDatabase db;
    db.loadImages(shippedImages());
    for (auto _ : state)
        for (int i = 0; i < db.count(hv::kAllContinents); ++i)
            benchmark::DoNotOptimize(hv::CityTimeAt(db, hv::kAllContinents, i, kJuly2026));
}
BENCHMARK(BM_CityTimeAll512)->Unit(benchmark::kMicrosecond);

static void BM_CityAddAndDelete(benchmark::State& state) {
    hv::CityDatabase db;
    db.loadImages(shippedImages());
    for (int s = 0; s < 20; ++s)
        db.takeSlot(hv::kEurope, s);
    hv::CityRecord r{};
    r.setName(u"Lugano");
    for (auto _ : state) {
        const int at = db.addCity(hv::kEurope, r);
        db.deleteCity(hv::kEurope, at);
        if (db.additionsLeft() == 0) {
            state.PauseTiming();
            db.loadImages(shippedImages());
            state.ResumeTiming();
        }
    }
}
BENCHMARK(BM_CityAddAndDelete);
