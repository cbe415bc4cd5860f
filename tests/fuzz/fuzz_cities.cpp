// The city database loader, its list operations and the city-time engine over arbitrary city
// files: the input is cut into six files (the first six bytes give their shares), written to the
// device's data folder, loaded, edited and read back.
#include "cities/citydatabase.h"
#include "cities/citytime.h"
#include "cli/commands.h"
#include "device/fake.h"

#include <array>
#include <cstring>
#include <fstream>
#include <sstream>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static hv::dev::FakeDevice fake;
    hv::dev::ScopedDevice use(fake);
    if (size < 6)
        return 0;
    const uint8_t* shares = data;
    data += 6;
    size -= 6;
    unsigned total = 0;
    for (int i = 0; i < 6; ++i)
        total += shares[i];
    // One input in four goes through real files of the device (slower: they touch the disk); the
    // others load the same images from memory.
    const bool throughFiles = (shares[1] & 3) == 0;
    std::array<std::vector<uint8_t>, hv::kContinentFiles> images;
    std::filesystem::create_directories(fake.host(u"\\data"));
    size_t at = 0;
    for (size_t c = 0; c < hv::kContinentFiles; ++c) {
        size_t n = total ? size * shares[c] / total : 0;
        if (c + 1 == hv::kContinentFiles)
            n = size - at;
        n = std::min(n, size - at);
        images[c].assign(data + at, data + at + n);
        if (throughFiles)
            std::ofstream(fake.host(u"\\data\\" + std::u16string(hv::kCityFileNames[c])),
                          std::ios::binary | std::ios::trunc)
                .write(reinterpret_cast<const char*>(data + at), static_cast<std::streamsize>(n));
        at += n;
    }

    hv::CityDatabase db;
    if (throughFiles)
        db.load();
    else
        db.loadImages(images);
    const int slot = db.takeSlot(hv::kAllContinents, shares[0]);
    db.setHome(shares[1] % 8 - 1, shares[2]);
    const hv::dev::FileTime utc =
        hv::dev::kUnixEpochFileTime + uint64_t(shares[3]) * 97 * hv::dev::kTicksPerDay;
    for (int list = 0; list < hv::kCityLists; ++list) {
        for (int i = 0; i < db.count(list); ++i) {
            const hv::CityRecord* r = db.recordAt(list, i);
            if (const auto wall = hv::CityWallTime(*r, utc))
                hv::CityUtcOf(*r, *wall);
            hv::ZonesDiffer(hv::CityZone(*r), hv::CityZone(db, list, i));
            if (list == hv::kAllContinents &&
                db.indexWithinContinent(db.continentOfMerged(i), i) < 0)
                __builtin_trap(); // every merged entry is in its continent list
        }
    }
    // Edits driven by the input: delete, then add copies of what remains.
    for (int k = 0; k < 8 && db.count(hv::kAllContinents) > 0; ++k) {
        const int list = shares[k % 6] % hv::kCityLists;
        if (db.count(list) > 0)
            db.deleteCity(list, shares[(k + 1) % 6] % db.count(list));
        const hv::CityRecord* first = db.recordAt(hv::kAllContinents, 0);
        const hv::CityRecord copy = first ? *first : hv::CityRecord{};
        db.addCity(shares[(k + 2) % 6] % 6, copy);
    }
    int sum = 0;
    for (int c = 0; c < hv::kContinentFiles; ++c)
        sum += db.count(c);
    if (sum != db.count(hv::kAllContinents) || db.displayCount(hv::kAllContinents) != sum)
        __builtin_trap(); // the merged list holds every record once
    const hv::CitySelection s = db.slot(slot);
    if (s.index < 0)
        __builtin_trap();
    db.homeRecord();
    if (shares[0] == 0xA5)
        db.save(); // whole-file saves flush to disk: only now and then

    if (!throughFiles)
        return 0;
    std::ostringstream out, err;
    hv::cli::runCli({"cities", "--data", fake.host(u"\\data").string()}, out, err);
    return 0;
}
