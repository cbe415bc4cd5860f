// The view tests' fixture for the Digital Clock, Analog Clock, Internet Time and Time Calc views:
// the views' test helpers over a city database of the tests' own, with fixed offsets, which the
// toolkit's city pickers read.
#pragma once

#include "cities/cityrecord.h"
#include "device/format.h"
#include "viewbase/citysource.h"
#include "viewtest.h"

#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace hv::views::test {

// Positions in the continent lists (word-sort order).
inline constexpr int kKolkata = 0; // Asia, +5:30
inline constexpr int kTokyo = 1;   // Asia, +9:00
inline constexpr int kBerlin = 0;  // Europe, +1:00
inline constexpr int kLondon = 1;  // Europe, 0:00
inline constexpr int kAzores = 0;  // North America here: a half-hour west, -0:30
inline constexpr int kStJohns = 1; // North America, -3:30

inline CityRecord cityRecord(std::u16string_view name, int offsetMinutes, int continent) {
    CityRecord r{};
    r.setName(name);
    r.gmtOffset = static_cast<int16_t>(offsetMinutes);
    r.continent = static_cast<uint8_t>(continent);
    return r;
}

// A zone of a fixed offset east of UTC, without daylight saving.
inline dev::TimeZoneInformation fixedZone(int minutesEast) {
    dev::TimeZoneInformation tz{};
    tz.Bias = -minutesEast;
    return tz;
}

class ClockViewTest : public ViewTest {
protected:
    void SetUp() override {
        ViewTest::SetUp();
        std::array<std::vector<uint8_t>, kContinentFiles> images;
        auto put = [&images](int continent, std::initializer_list<CityRecord> records) {
            auto& bytes = images[static_cast<size_t>(continent)];
            for (const CityRecord& r : records) {
                const auto* p = reinterpret_cast<const uint8_t*>(&r);
                bytes.insert(bytes.end(), p, p + sizeof r);
            }
        };
        put(kAsia, {cityRecord(u"Kolkata", 330, kAsia), cityRecord(u"Tokyo", 540, kAsia)});
        put(kEurope, {cityRecord(u"Berlin", 60, kEurope), cityRecord(u"London", 0, kEurope)});
        put(kNorthAmerica, {cityRecord(u"Azores West", -30, kNorthAmerica),
                            cityRecord(u"St. John's", -210, kNorthAmerica)});
        cities.loadImages(images);
        tk::SetCitySource(&source);
    }
    void TearDown() override {
        tk::SetCitySource(nullptr);
        ViewTest::TearDown();
    }
    // A locale by name, as the program reads it at start-up.
    void useLocale(const char* name) {
        fake.localeImpl.set(dev::LocaleData::fromName(name));
        RefreshLocaleCache();
    }
    void setHome(int continent, int index) {
        ASSERT_TRUE(cities.setHome(continent, index));
        app().settings.homeContinent = static_cast<uint32_t>(continent);
        app().settings.homeCity = static_cast<uint32_t>(index);
    }

    view::DatabaseCitySource source{cities};
};

inline QImage canvas() {
    return tk::CreateCompatibleBitmap(480, 640);
}

inline QImage region(const QImage& img, const tk::RECT& r) {
    return img.copy(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

inline int countColour(const QImage& img, QRgb colour) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += pixel(img, x, y) == colour;
    return n;
}

// Pixels darker than mid-grey: text.
inline int ink(const QImage& img) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += qGray(img.pixel(x, y)) < 128;
    return n;
}

} // namespace hv::views::test
