#include "cities/citydatabase.h"
#include "cities_test_support.h"
#include "device/files.h"
#include "device/text.h"
#include "device/wordsort.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace hv;
using hv::test::makeCity;

namespace {

std::string nameAt(const CityDatabase& db, int list, int index) {
    const CityRecord* r = db.recordAt(list, index);
    return r ? dev::toUtf8(r->nameView()) : std::string("<none>");
}

class ShippedCities : public ::testing::Test {
protected:
    void SetUp() override { db.loadImages(test::shippedImages()); }
    CityDatabase db;
};

} // namespace

TEST(CityRecord, FieldsSitAtTheirByteOffsets) {
    uint8_t b[64] = {};
    b[0] = 0xC8;
    b[1] = 0x0F; // id 4040
    b[2] = 'L';
    b[4] = 'o';
    b[6] = 'n'; // "Lon"
    b[46] = 0xC4;
    b[47] = 0xFF; // gmtOffset -60
    b[48] = 51;
    b[50] = 30;
    b[52] = 0;
    b[54] = 7;
    b[56] = 1;
    b[57] = 0;
    b[58] = 3;
    b[59] = 1;
    b[60] = 0x40;
    b[61] = 2;
    b[62] = 0x43;
    b[63] = 9;
    CityRecord r;
    std::memcpy(&r, b, sizeof r);
    EXPECT_EQ(r.id, 4040);
    EXPECT_EQ(dev::toUtf8(r.nameView()), "Lon");
    EXPECT_EQ(r.gmtOffset, -60);
    EXPECT_EQ(r.latDegrees, 51);
    EXPECT_EQ(r.latMinutes, 30);
    EXPECT_EQ(r.lonMinutes, 7);
    EXPECT_EQ(r.north, 1);
    EXPECT_EQ(r.east, 0);
    EXPECT_EQ(r.continent, 3);
    EXPECT_EQ(r.dstUsed, 1);
    EXPECT_EQ(r.dstStart, 0x40);
    EXPECT_EQ(r.dstStartMonth, 2);
    EXPECT_EQ(r.dstEnd, 0x43);
    EXPECT_EQ(r.dstEndMonth, 9);
    EXPECT_NEAR(r.latitude(), 51.5, 1e-9);
    EXPECT_NEAR(r.longitude(), -7.0 / 60, 1e-9);

    // A name without terminator stays inside its 22 units; setName zero-fills and truncates.
    std::memset(b + 2, 'x', 44);
    std::memcpy(&r, b, sizeof r);
    EXPECT_EQ(r.nameView().size(), kCityNameUnits);
    r.setName(u"A name much longer than twenty-one");
    EXPECT_EQ(r.nameView().size(), 21u);
    EXPECT_EQ(r.name[21], 0);
}

TEST_F(ShippedCities, CountsOrderAndMergedList) {
    const int expected[6] = {62, 141, 31, 85, 165, 28};
    for (int c = 0; c < 6; ++c) {
        EXPECT_EQ(db.count(c), expected[c]);
        EXPECT_EQ(db.displayCount(c), expected[c]);
        for (int i = 1; i < db.count(c); ++i)
            EXPECT_LE(compareCityNames(*db.recordAt(c, i - 1), *db.recordAt(c, i)), 0)
                << nameAt(db, c, i);
        // Ids: 1000 * (continent + 1) + position, the last with 50000 more.
        for (int i = 0; i < db.count(c); ++i)
            EXPECT_EQ(db.recordAt(c, i)->id,
                      1000 * (c + 1) + i + (i + 1 == expected[c] ? 50000 : 0));
    }
    EXPECT_EQ(db.count(kAllContinents), 512);
    EXPECT_EQ(db.displayCount(kAllContinents), 512);
    std::set<const CityRecord*> seen;
    for (int i = 0; i < 512; ++i) {
        seen.insert(db.recordAt(kAllContinents, i));
        if (i > 0) {
            EXPECT_LE(compareCityNames(*db.recordAt(6, i - 1), *db.recordAt(6, i)), 0);
        }
    }
    EXPECT_EQ(seen.size(), 512u);
    EXPECT_EQ(nameAt(db, kEurope, 70), "Stockholm");
    EXPECT_EQ(nameAt(db, kEurope, 71), "St-Peterburg");
    EXPECT_EQ(nameAt(db, kNorthAmerica, 132), "San Jose");
    EXPECT_EQ(nameAt(db, kNorthAmerica, 133), "San Jose");
    // Equal names in the merged list: the lower continent first (Birmingham: Europe, then North
    // America).
    for (int i = 0; i < 511; ++i)
        if (compareCityNames(*db.recordAt(6, i), *db.recordAt(6, i + 1)) == 0 &&
            db.continentOfMerged(i) != db.continentOfMerged(i + 1)) {
            EXPECT_LT(db.continentOfMerged(i), db.continentOfMerged(i + 1)) << nameAt(db, 6, i);
        }
    EXPECT_EQ(db.recordAt(7, 0), nullptr);
    EXPECT_EQ(db.recordAt(0, 62), nullptr);
    EXPECT_EQ(db.recordAt(0, -1), nullptr);
}

TEST_F(ShippedCities, TabledRecordsDecodeAsTabled) {
    struct Row {
        int list, index, id, offset, latD, latM, north, lonD, lonM, east;
        const char* name;
    };
    const Row rows[] = {
        {3, 40, 4040, 0, 51, 30, 1, 0, 7, 0, "London"},
        {4, 97, 5097, -300, 40, 44, 1, 73, 55, 0, "New York"},
        {2, 26, 3026, 600, 33, 55, 0, 151, 17, 1, "Sydney"},
        {2, 3, 3003, 720, 36, 55, 0, 174, 45, 1, "Auckland"},
        {0, 14, 1014, 120, 30, 0, 1, 31, 17, 1, "Cairo"},
        {1, 67, 2067, 330, 22, 32, 1, 88, 22, 1, "Kolkata"},
        {1, 64, 2064, 345, 27, 42, 1, 85, 19, 1, "Kathmandu"},
        {1, 129, 2129, 540, 35, 41, 1, 139, 44, 1, "Tokyo"},
    };
    for (const Row& w : rows) {
        const CityRecord* r = db.recordAt(w.list, w.index);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(dev::toUtf8(r->nameView()), w.name);
        EXPECT_EQ(r->id, w.id) << w.name;
        EXPECT_EQ(r->gmtOffset, w.offset) << w.name;
        EXPECT_EQ(r->latDegrees, w.latD) << w.name;
        EXPECT_EQ(r->latMinutes, w.latM) << w.name;
        EXPECT_EQ(r->north, w.north) << w.name;
        EXPECT_EQ(r->lonDegrees, w.lonD) << w.name;
        EXPECT_EQ(r->lonMinutes, w.lonM) << w.name;
        EXPECT_EQ(r->east, w.east) << w.name;
        EXPECT_EQ(r->continent, w.list) << w.name;
    }
    // London keeps the European rule; the zones without daylight saving carry zero rule bytes.
    const CityRecord* london = db.recordAt(3, 40);
    EXPECT_EQ(london->dstUsed, 1);
    EXPECT_EQ(london->dstStart, 0x40);
    EXPECT_EQ(london->dstStartMonth, 2);
    EXPECT_EQ(london->dstEnd, 0x40);
    EXPECT_EQ(london->dstEndMonth, 9);
    for (int c = 0; c < 6; ++c)
        for (int i = 0; i < db.count(c); ++i) {
            const CityRecord* r = db.recordAt(c, i);
            if (!r->dstUsed) {
                EXPECT_EQ(r->dstStart | r->dstStartMonth | r->dstEnd | r->dstEndMonth, 0);
            }
        }
}

TEST_F(ShippedCities, AddingKeepsEveryPickerOnItsCity) {
    const int amsterdamPicker = db.takeSlot(kEurope, 0);
    const int lastPicker = db.takeSlot(kEurope, 84);
    const int mergedIndex = [&] {
        for (int i = 0; i < 512; ++i)
            if (nameAt(db, 6, i) == "Amsterdam")
                return i;
        return -1;
    }();
    const int mergedPicker = db.takeSlot(kAllContinents, mergedIndex);
    ASSERT_TRUE(db.setHome(kEurope, 40)); // London
    const int asiaPicker = db.takeSlot(kAsia, 3);

    EXPECT_EQ(db.addCity(kEurope, makeCity(u"Aaa")), 0);
    EXPECT_EQ(nameAt(db, kEurope, 0), "Aaa");
    EXPECT_EQ(db.count(kEurope), 86);
    EXPECT_EQ(db.displayCount(kEurope), 86);
    EXPECT_EQ(db.displayCount(kAllContinents), 513);
    EXPECT_EQ(nameAt(db, kEurope, db.slot(amsterdamPicker).index), "Amsterdam");
    EXPECT_EQ(db.slot(amsterdamPicker).index, 1);
    EXPECT_EQ(nameAt(db, kEurope, db.slot(lastPicker).index), "Zurich");
    EXPECT_EQ(nameAt(db, 6, db.slot(mergedPicker).index), "Amsterdam");
    EXPECT_EQ(db.slot(asiaPicker).index, 3);
    EXPECT_EQ(db.home().index, 41);
    EXPECT_EQ(dev::toUtf8(db.homeRecord()->nameView()), "London");
    EXPECT_EQ(db.recordAt(kEurope, 0)->continent, kEurope);
    EXPECT_TRUE(db.changed());

    // A name after every other goes to the end; nothing moves.
    EXPECT_EQ(db.addCity(kEurope, makeCity(u"Zzyzx")), 86);
    EXPECT_EQ(nameAt(db, kEurope, 86), "Zzyzx");
    EXPECT_EQ(nameAt(db, 6, 513), "Zzyzx");
    EXPECT_EQ(nameAt(db, kEurope, db.slot(lastPicker).index), "Zurich");
    EXPECT_EQ(db.addCity(6, makeCity(u"Nowhere")), -1);
}

// A renamed city takes its sorted place in its continent and in "All Continents", pickers stay
// on their cities, and a file written out of order (as older versions saved a rename) is put in
// order when it is loaded, before the merge.
TEST_F(ShippedCities, RenamedCityTakesItsSortedPlaceAndUnsortedFilesAreSorted) {
    auto sorted = [&](int list) {
        for (int i = 1; i < db.count(list); ++i)
            if (compareCityNames(*db.recordAt(list, i - 1), *db.recordAt(list, i)) > 0)
                return false;
        return true;
    };
    auto mergedIndexOf = [&](const std::string& name) {
        for (int i = 0; i < db.count(6); ++i)
            if (nameAt(db, 6, i) == name)
                return i;
        return -1;
    };
    const int renamedPicker = db.takeSlot(kEurope, 0);
    const int athensPicker = db.takeSlot(kEurope, 2);
    const int zibo = mergedIndexOf("Zibo");
    const int mergedPicker = db.takeSlot(kAllContinents, mergedIndexOf("Berlin"));
    ASSERT_TRUE(db.setHome(kEurope, 40)); // London

    CityRecord r = *db.recordAt(kEurope, 0);
    r.setName(u"Z\u00fcrich S\u00fcd");
    ASSERT_TRUE(db.replaceCity(kEurope, 0, r));
    EXPECT_TRUE(sorted(kEurope));
    EXPECT_TRUE(sorted(kAllContinents));
    EXPECT_EQ(nameAt(db, kEurope, 0), "Andorra La Vella");
    EXPECT_EQ(nameAt(db, kEurope, db.slot(renamedPicker).index), "Z\u00fcrich S\u00fcd");
    EXPECT_EQ(nameAt(db, kEurope, db.slot(athensPicker).index), "Athens");
    EXPECT_EQ(nameAt(db, 6, db.slot(mergedPicker).index), "Berlin");
    EXPECT_EQ(nameAt(db, kEurope, db.home().index), "London");
    EXPECT_LT(mergedIndexOf("Andorra La Vella"), mergedIndexOf("Berlin"));
    EXPECT_GT(mergedIndexOf("Z\u00fcrich S\u00fcd"), zibo);

    // Saved and loaded again, and a file in the old scrambled order: both load sorted.
    auto images = db.images();
    CityDatabase again;
    again.loadImages(images);
    std::swap_ranges(images[kEurope].begin(), images[kEurope].begin() + kCityRecordSize,
                     images[kEurope].end() - kCityRecordSize);
    CityDatabase scrambled;
    scrambled.loadImages(images);
    for (CityDatabase* d : {&again, &scrambled}) {
        for (int list = 0; list < kCityLists; ++list)
            for (int i = 1; i < d->count(list); ++i)
                ASSERT_LE(compareCityNames(*d->recordAt(list, i - 1), *d->recordAt(list, i)), 0)
                    << list << " " << i;
        EXPECT_EQ(nameAt(*d, kEurope, 0), "Andorra La Vella");
    }
}

TEST_F(ShippedCities, DeletingMovesPickersDownAndKeepsOtherData) {
    // A picker on the last city of a list follows to the new last city.
    const int lastPicker = db.takeSlot(kSouthAmerica, 27);
    const int mergedLast = db.takeSlot(kAllContinents, 511);
    const int before = db.takeSlot(kSouthAmerica, 5);
    const int after = db.takeSlot(kSouthAmerica, 20);
    const auto imagesBefore = db.images();
    const std::string lastMergedName = nameAt(db, 6, 511);
    ASSERT_TRUE(db.deleteCity(kSouthAmerica, 27)); // Stanley
    EXPECT_EQ(db.count(kSouthAmerica), 27);
    EXPECT_EQ(db.displayCount(kSouthAmerica), 27);
    EXPECT_EQ(db.displayCount(kAllContinents), 511);
    EXPECT_EQ(db.slot(lastPicker).index, 26);
    EXPECT_EQ(nameAt(db, kSouthAmerica, 26), "Sao Paulo");
    EXPECT_EQ(db.slot(before).index, 5);
    EXPECT_EQ(db.slot(after).index, 20);
    EXPECT_EQ(nameAt(db, 6, db.slot(mergedLast).index), lastMergedName); // Zurich, not Stanley

    // Delete through the merged list: the continent list loses it too.
    int zurich = -1;
    for (int i = 0; i < db.count(6); ++i)
        if (nameAt(db, 6, i) == "Zurich")
            zurich = i;
    ASSERT_GE(zurich, 0);
    ASSERT_TRUE(db.deleteCity(kAllContinents, zurich));
    EXPECT_EQ(db.count(kEurope), 84);
    EXPECT_EQ(nameAt(db, kEurope, 83), "Zagreb");
    EXPECT_EQ(db.slot(mergedLast).index, db.count(6) - 1);

    // Add after delete: every remaining record is intact byte for byte.
    EXPECT_EQ(db.addCity(kSouthAmerica, makeCity(u"Ushuaia", -180)), 27);
    const auto imagesAfter = db.images();
    EXPECT_EQ(imagesAfter[0], imagesBefore[0]);
    EXPECT_EQ(imagesAfter[1], imagesBefore[1]);
    EXPECT_EQ(std::vector<uint8_t>(imagesAfter[3].begin(), imagesAfter[3].end()),
              std::vector<uint8_t>(imagesBefore[3].begin(), imagesBefore[3].end() - 64));
    EXPECT_EQ(std::vector<uint8_t>(imagesAfter[5].begin(), imagesAfter[5].begin() + 27 * 64),
              std::vector<uint8_t>(imagesBefore[5].begin(), imagesBefore[5].begin() + 27 * 64));
    EXPECT_FALSE(db.deleteCity(kAsia, 500));
    EXPECT_FALSE(db.deleteCity(9, 0));
}

TEST_F(ShippedCities, MergedIndexConversionsAndHome) {
    int tokyo = -1;
    for (int i = 0; i < 512; ++i)
        if (nameAt(db, 6, i) == "Tokyo")
            tokyo = i;
    EXPECT_EQ(db.continentOfMerged(tokyo), kAsia);
    EXPECT_EQ(db.indexWithinContinent(kAsia, tokyo), 129);
    EXPECT_EQ(db.indexWithinContinent(kEurope, tokyo), -1);
    EXPECT_EQ(db.continentOfMerged(600), -1);

    EXPECT_EQ(db.home().continent, 0);
    EXPECT_EQ(db.home().index, 0);
    EXPECT_TRUE(db.setHome(kAllContinents, tokyo));
    EXPECT_EQ(db.home().continent, kAsia);
    EXPECT_EQ(db.home().index, 129);
    EXPECT_TRUE(db.setHome(-1, 0));
    EXPECT_EQ(db.home().index, 129);
    EXPECT_FALSE(db.setHome(7, 0));
    EXPECT_EQ(dev::toUtf8(db.homeRecord()->nameView()), "Tokyo");
}

TEST(CityDatabase, AdditionsAndSlotsAreBounded) {
    CityDatabase db;
    db.loadImages(test::shippedImages());
    for (int i = 0; i < kCityAdditions; ++i)
        ASSERT_GE(
            db.addCity(i % 6, makeCity(u"City " + std::u16string(1, char16_t(u'A' + i % 26)))), 0);
    EXPECT_EQ(db.additionsLeft(), 0);
    EXPECT_EQ(db.addCity(0, makeCity(u"One too many")), -1);
    EXPECT_EQ(db.count(6), 512 + kCityAdditions);
    while (db.slotsTaken() < kCitySlots)
        ASSERT_GT(db.takeSlot(0, 0), 0);
    EXPECT_EQ(db.takeSlot(0, 0), -1);
}

TEST(CityDatabase, SizesShortAndMissingFiles) {
    auto images = test::shippedImages();
    ASSERT_EQ(images[0].size(), 3968u);
    images[0].resize(3970, 0xAB); // a trailing partial record is ignored
    images[1].resize(63);         // too short: no record
    images[2].clear();            // missing
    CityDatabase db;
    EXPECT_EQ(db.loadImages(images), 4);
    EXPECT_EQ(db.count(0), 62);
    EXPECT_EQ(db.count(1), 0);
    EXPECT_EQ(db.count(2), 0);
    EXPECT_EQ(db.count(6), 62 + 85 + 165 + 28);
    EXPECT_EQ(nameAt(db, 0, 61), "Windhoek");

    CityDatabase empty;
    EXPECT_EQ(empty.loadImages({}), 0);
    EXPECT_EQ(empty.homeRecord(), nullptr);
    EXPECT_EQ(empty.count(6), 0);
    EXPECT_EQ(empty.addCity(0, makeCity(u"First")), 0);
    EXPECT_EQ(nameAt(empty, 6, 0), "First");
}

TEST(CityDatabase, SavesAfterAnyChange) {
    dev::FakeDevice fake;
    dev::ScopedDevice use(fake);
    test::installShippedFiles(fake);
    CityDatabase db;
    ASSERT_EQ(db.load(), 6);
    EXPECT_EQ(db.count(6), 512);

    // Nothing changed: nothing is written.
    ASSERT_TRUE(dev::deleteFile(u"\\data\\asia.cdb"));
    EXPECT_EQ(db.save(), 0);
    EXPECT_FALSE(dev::fileExists(u"\\data\\asia.cdb"));

    // An edit in place alone is written too, not lost at exit.
    CityRecord edited = *db.recordAt(kEurope, 40);
    edited.gmtOffset = 60;
    const uint32_t before = db.revision();
    ASSERT_TRUE(db.replaceCity(kEurope, 40, edited));
    EXPECT_EQ(db.recordAt(kEurope, 40)->gmtOffset, 60);
    EXPECT_TRUE(db.changed());
    EXPECT_GT(db.revision(), before);
    EXPECT_EQ(db.save(), 6);
    EXPECT_TRUE(dev::fileExists(u"\\data\\asia.cdb"));
    {
        CityDatabase reread;
        EXPECT_EQ(reread.load(), 6);
        EXPECT_EQ(reread.recordAt(kEurope, 40)->gmtOffset, 60);
    }

    // An add rewrites all six files from the lists, the edit included.
    ASSERT_EQ(db.addCity(kAfrica, makeCity(u"Zanzibar", 180)), 62);
    EXPECT_EQ(db.save(), 6);
    CityDatabase again;
    EXPECT_EQ(again.load(), 6);
    EXPECT_EQ(again.count(kAfrica), 63);
    EXPECT_EQ(nameAt(again, kAfrica, 62), "Zanzibar");
    EXPECT_EQ(again.recordAt(kEurope, 40)->gmtOffset, 60);
    EXPECT_EQ(again.count(kAsia), 141);
    EXPECT_EQ(test::readHost(fake.host(u"\\data\\australia.cdb")), test::shippedImages()[2]);
}
