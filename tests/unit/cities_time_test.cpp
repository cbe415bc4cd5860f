#include "cities/citytime.h"
#include "cities_test_support.h"
#include "cli/commands.h"
#include "device/zonechanges.h"
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>

using namespace hv;
using test::ruleCity;
using test::utcAt;

namespace {

dev::SystemTime wallAt(const CityRecord& c, dev::FileTime utc, bool* dst = nullptr) {
    return dev::toSystemTime(CityWallTime(c, utc, dst).value());
}

int dayOf(std::optional<dev::FileTime> t) {
    return t ? dev::toSystemTime(*t).day : -1;
}

dev::SystemTime rule(int month, int week, int weekday) {
    dev::SystemTime r{};
    r.month = static_cast<uint16_t>(month);
    r.day = static_cast<uint16_t>(week);
    r.dayOfWeek = static_cast<uint16_t>(weekday);
    return r;
}

} // namespace

TEST(CityTime, WeekdaysDaysInMonthAndTransitionDates) {
    EXPECT_EQ(CityWeekday(2006, 1, 1), 0);
    EXPECT_EQ(CityWeekday(2006, 2, 28), 2);
    EXPECT_EQ(CityWeekday(2026, 12, 7), 1);
    EXPECT_EQ(CityWeekday(2006, 3, 0), 2); // the day before 1 March 2006 is 28 February
    namespace chr = std::chrono;
    for (chr::sys_days d{chr::year{1999} / 1 / 1}; d < chr::sys_days{chr::year{2031} / 1 / 1};
         d += chr::days{13}) {
        const chr::year_month_day c{d};
        ASSERT_EQ(CityWeekday(int(c.year()), int(unsigned(c.month())), int(unsigned(c.day()))),
                  int(chr::weekday{d}.c_encoding()));
    }
    EXPECT_EQ(CityDaysInMonth(2006, 2), 28);
    EXPECT_EQ(CityDaysInMonth(2008, 2), 29);
    EXPECT_EQ(CityDaysInMonth(2100, 2), 28);
    EXPECT_EQ(CityDaysInMonth(2000, 2), 29);
    EXPECT_EQ(CityDaysInMonth(2006, 4), 30);
    EXPECT_EQ(CityDaysInMonth(2006, 12), 31);

    EXPECT_EQ(dayOf(TransitionDate(2006, rule(3, 5, 0))), 26); // last Sunday of March
    EXPECT_EQ(dayOf(TransitionDate(2006, rule(4, 1, 0))), 2);  // first Sunday of April
    EXPECT_EQ(dayOf(TransitionDate(2007, rule(2, 3, 0))), 18); // third Sunday of February
    EXPECT_EQ(dayOf(TransitionDate(2026, rule(10, 5, 0))), 25);
    EXPECT_EQ(dayOf(TransitionDate(2026, rule(4, 5, 5))), 24); // last Friday of April
    EXPECT_EQ(TransitionDate(2006, rule(3, 5, 0)), utcAt(2006, 3, 26));
    EXPECT_FALSE(TransitionDate(2006, rule(0, 1, 0)));
    EXPECT_FALSE(TransitionDate(2006, rule(13, 1, 0)));
    dev::SystemTime absolute = rule(7, 4, 0);
    absolute.year = 2010;
    EXPECT_EQ(TransitionDate(2006, absolute), utcAt(2010, 7, 4));
}

TEST(CityTime, DaylightTestNorthernSouthernAndBothEnds) {
    const CityRecord central = ruleCity(60, 0x40, 2, 0x40, 9); // last Sunday of March .. of October
    bool dst = false;
    EXPECT_EQ(wallAt(central, utcAt(2006, 7, 1, 12), &dst).hour, 14);
    EXPECT_TRUE(dst);
    EXPECT_EQ(wallAt(central, utcAt(2006, 12, 1, 12), &dst).hour, 13);
    EXPECT_FALSE(dst);

    // Both transitions at 00:00 of local standard time, both inclusive.
    const auto zone = CityZone(central);
    const dev::FileTime start = utcAt(2006, 3, 26) - dev::kTicksPerHour; // 00:00 at +1
    const dev::FileTime end = utcAt(2006, 10, 29) - dev::kTicksPerHour;
    EXPECT_FALSE(InDaylightSaving(zone, start - dev::kTicksPerSecond));
    EXPECT_TRUE(InDaylightSaving(zone, start));
    EXPECT_TRUE(InDaylightSaving(zone, end));
    EXPECT_FALSE(InDaylightSaving(zone, end + dev::kTicksPerSecond));

    const CityRecord sydney = ruleCity(600, 0x40, 9, 0x40, 2); // spans the new year
    EXPECT_TRUE(InDaylightSaving(CityZone(sydney), utcAt(2006, 1, 1, 12)));
    EXPECT_FALSE(InDaylightSaving(CityZone(sydney), utcAt(2006, 7, 1, 12)));
    EXPECT_EQ(wallAt(sydney, utcAt(2006, 1, 1, 12)).hour, 23);

    CityRecord noDst = ruleCity(60, 0x40, 2, 0x40, 9);
    noDst.dstUsed = 0;
    EXPECT_FALSE(InDaylightSaving(CityZone(noDst), utcAt(2006, 7, 1, 12)));
    // Damaged rule bytes neither crash nor wander outside the month.
    const CityRecord damaged = ruleCity(60, 0xFF, 200, 0xEE, 11);
    EXPECT_FALSE(InDaylightSaving(CityZone(damaged), utcAt(2006, 7, 1)));
}

TEST(CityTime, OddOffsetsAndRoundTrips) {
    const CityRecord newfoundland = test::makeCity(u"N", -210);
    const CityRecord nepal = test::makeCity(u"K", 345);
    const dev::SystemTime a = wallAt(newfoundland, utcAt(2026, 1, 10, 12));
    EXPECT_EQ(a.hour, 8);
    EXPECT_EQ(a.minute, 30);
    const dev::SystemTime b = wallAt(nepal, utcAt(2026, 1, 10, 12));
    EXPECT_EQ(b.hour, 17);
    EXPECT_EQ(b.minute, 45);
    const dev::SystemTime c = wallAt(nepal, utcAt(2026, 12, 31, 20));
    EXPECT_EQ(c.year, 2027);
    EXPECT_EQ(c.day, 1);

    const CityRecord central = ruleCity(60, 0x40, 2, 0x40, 9);
    for (dev::FileTime t :
         {utcAt(2026, 1, 15, 9), utcAt(2026, 7, 15, 23, 30), utcAt(2026, 3, 29, 12)})
        EXPECT_EQ(CityUtcOf(central, CityWallTime(central, t).value()), t);
}

TEST(CityTime, ZoneComparison) {
    dev::TimeZoneInformation a{}, b{};
    a.Bias = b.Bias = -60;
    a.StandardDate.dayOfWeek = 3; // stray fields of a zone without daylight saving
    b.DaylightDate.day = 2;
    EXPECT_FALSE(ZonesDiffer(a, b));
    b.Bias = -120;
    EXPECT_TRUE(ZonesDiffer(a, b));
    const auto london = CityZone(ruleCity(0, 0x40, 2, 0x40, 9));
    auto other = london;
    EXPECT_FALSE(ZonesDiffer(london, other));
    other.DaylightDate.day = 2;
    EXPECT_TRUE(ZonesDiffer(london, other));
    other = london;
    other.StandardDate.month = 0;
    EXPECT_TRUE(ZonesDiffer(london, other));
    EXPECT_EQ(london.Bias, 0);
    EXPECT_EQ(london.DaylightBias, -60);
    EXPECT_EQ(london.StandardDate.month, 10);
    EXPECT_EQ(london.StandardDate.day, 5);
    EXPECT_EQ(london.DaylightDate.month, 3);
}

class HomeLocation : public ::testing::Test {
protected:
    void SetUp() override {
        resetAppState();
        fake.clockImpl.setZone(dev::zoneUtc());
        fake.clockImpl.setUtc(utcAt(2026, 7, 1, 12));
        db.loadImages(test::shippedImages());
    }
    dev::FakeDevice fake;
    dev::ScopedDevice use{fake};
    CityDatabase db;
    HomeLocationState state;
    int asked = 0;
    ConfirmZoneChange answer(ConfirmAnswer a, bool tick) {
        return [this, a, tick](bool& shift) {
            ++asked;
            EXPECT_TRUE(shift); // ticked when it opens
            shift = tick;
            return a;
        };
    }
};

TEST_F(HomeLocation, CancelAndNoChangeNothing) {
    EXPECT_EQ(ApplyHomeLocation(db, state, kAsia, 129, answer(ConfirmAnswer::Cancel, true)),
              HomeApplyResult::StaysOpen);
    EXPECT_EQ(ApplyHomeLocation(db, state, kAsia, 129, answer(ConfirmAnswer::No, true)),
              HomeApplyResult::Closed);
    state.forced = true;
    EXPECT_EQ(ApplyHomeLocation(db, state, kAsia, 129, answer(ConfirmAnswer::No, false)),
              HomeApplyResult::StaysOpen);
    EXPECT_FALSE(state.shiftClock);
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(fake.timeSettingImpl.changes, 0);
    EXPECT_EQ(db.home().continent, 0);
    EXPECT_EQ(db.home().index, 0);
    EXPECT_EQ(ApplyHomeLocation(db, state, kAsia, 500, answer(ConfirmAnswer::Yes, true)),
              HomeApplyResult::Failed);
}

TEST_F(HomeLocation, YesWithShiftKeepsTheInstant) {
    int repaints = 0;
    EXPECT_EQ(ApplyHomeLocation(db, state, kAsia, 129, answer(ConfirmAnswer::Yes, true),
                                [&] { ++repaints; }),
              HomeApplyResult::Applied);
    EXPECT_EQ(repaints, 1);
    EXPECT_EQ(fake.clockImpl.zone().Bias, -540);
    EXPECT_EQ(fake.clockImpl.utcNow(), utcAt(2026, 7, 1, 12));
    EXPECT_EQ(dev::getLocalTime().hour, 21);
    EXPECT_EQ(db.home().continent, kAsia);
    EXPECT_EQ(db.home().index, 129);
    EXPECT_EQ(app().settings.homeContinent, uint32_t(kAsia));
    EXPECT_EQ(app().settings.homeCity, 129u);
    EXPECT_FALSE(DeviceZoneDiffers(db));

    // The same zone again: no question, and the remembered flag still applies.
    asked = 0;
    EXPECT_EQ(ApplyHomeLocation(db, state, kAsia, 129, answer(ConfirmAnswer::Cancel, false)),
              HomeApplyResult::Applied);
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(fake.clockImpl.utcNow(), utcAt(2026, 7, 1, 12));
}

TEST_F(HomeLocation, YesWithoutShiftKeepsTheWallClock) {
    // London in summer through the merged list; the wall clock keeps reading 12:00.
    int london = -1;
    for (int i = 0; i < db.count(6); ++i)
        if (db.recordAt(6, i) == db.recordAt(kEurope, 40))
            london = i;
    EXPECT_EQ(
        ApplyHomeLocation(db, state, kAllContinents, london, answer(ConfirmAnswer::Yes, false)),
        HomeApplyResult::Applied);
    EXPECT_EQ(db.home().continent, kEurope);
    EXPECT_EQ(db.home().index, 40);
    EXPECT_EQ(app().settings.homeContinent, uint32_t(kEurope));
    EXPECT_EQ(dev::getLocalTime().hour, 12);
    EXPECT_EQ(fake.clockImpl.utcNow(), utcAt(2026, 7, 1, 11));
    EXPECT_EQ(CityTimeNow(db, kEurope, 40)->hour, 12);
}

TEST(CitiesCli, ListsAndCityTimes) {
    const std::string data = test::shippedDataDir().string();
    auto run = [&](std::vector<std::string> args, std::string& out, std::string& err) {
        std::ostringstream o, e;
        const int rc = cli::runCli(args, o, e);
        out = o.str();
        err = e.str();
        return rc;
    };
    std::string out, err;
    ASSERT_EQ(run({"cities", "--continent", "3", "--data", data}, out, err), 0) << err;
    EXPECT_NE(out.find("40\t4040\tLondon\t0\t51.5000\t-0.1167\t1\t0x40/2\t0x40/9\n"),
              std::string::npos);
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 85);
    ASSERT_EQ(run({"cities", "--data", data}, out, err), 0);
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 512);
    EXPECT_NE(out.find("\t2064\tKathmandu\t345\t27.7000\t85.3167\t0\t0x00/0\t0x00/0\n"),
              std::string::npos);

    ASSERT_EQ(run({"city-time", "--continent", "3", "--index", "40", "--utc", "2026-07-01 12:00:00",
                   "--data", data},
                  out, err),
              0);
    EXPECT_EQ(out, "2026-07-01 13:00:00 dst\n");
    ASSERT_EQ(run({"city-time", "--continent", "2", "--index", "26", "--utc", "2026-07-01 12:00:00",
                   "--data", data},
                  out, err),
              0);
    EXPECT_EQ(out, "2026-07-01 22:00:00\n");
    ASSERT_EQ(run({"city-time", "--continent", "1", "--index", "64", "--utc", "2026-12-31 20:00:00",
                   "--data", data},
                  out, err),
              0);
    EXPECT_EQ(out, "2027-01-01 01:45:00\n");

    // Kiritimati (+14) at the last hour of 30827: its time lies past the calendar.
    EXPECT_EQ(run({"city-time", "--continent", "2", "--index", "14", "--utc",
                   "30827-12-31 23:00:00", "--data", data},
                  out, err),
              1);
    EXPECT_NE(err.find("no result"), std::string::npos) << err;
    ASSERT_EQ(run({"city-time", "--continent", "2", "--index", "14", "--utc",
                   "30827-12-31 09:00:00", "--data", data},
                  out, err),
              0);
    EXPECT_EQ(out, "30827-12-31 23:00:00\n");

    EXPECT_EQ(run({"cities", "--continent", "7", "--data", data}, out, err), 2);
    EXPECT_EQ(run({"city-time", "--continent", "3", "--index", "85", "--utc", "2026-07-01 12:00:00",
                   "--data", data},
                  out, err),
              2);
    EXPECT_NE(err.find("has no city 85"), std::string::npos);
    EXPECT_EQ(run({"city-time", "--continent", "3", "--index", "1", "--utc", "2026-02-30 12:00:00",
                   "--data", data},
                  out, err),
              2);
    EXPECT_EQ(run({"city-time", "--continent", "3", "--index", "1", "--utc", "2026-07-01 12:00:00",
                   "--data", "/nonexistent"},
                  out, err),
              1);
}

// The shipped records against the system's IANA data, hour by hour: only the hours between a
// real change and the midnight a record changes at may differ, and a zone without a yearly
// weekday rule (Casablanca) keeps the offset of most of the year in every year. The files hold
// the tzdata they were made from, so another tzdata here is a reason to regenerate, not a fault.
TEST(CityTime, ShippedRulesFollowTheIanaDataInTheYearAndTheNext) {
    const test::ShippedMaking made = test::shippedMaking();
    ASSERT_GE(made.year, 2026);
    if (made.tzdata != test::hostTzdata())
        GTEST_SKIP() << "the city files were made from tzdata " << made.tzdata
                     << " and this system has " << test::hostTzdata();
    CityDatabase db;
    db.loadImages(test::shippedImages());
    auto find = [&db](std::u16string_view name) -> const CityRecord* {
        for (int c = 0; c < kContinentFiles; ++c)
            for (int i = 0; i < db.count(c); ++i)
                if (db.recordAt(c, i)->nameView() == name)
                    return db.recordAt(c, i);
        return nullptr;
    };
    auto hoursWrong = [](const CityRecord& r, const char* zone, int year) {
        const int64_t from = dev::daysFromCivil(year, 1, 1) * 86400;
        const int64_t to = dev::daysFromCivil(year + 1, 1, 1) * 86400;
        const auto changes = dev::zoneChanges(zone, from, to);
        const int initial = dev::zoneOffsetAt(zone, from);
        int wrong = 0;
        for (int64_t t = from; t < to; t += 3600) {
            const dev::FileTime utc =
                dev::kUnixEpochFileTime + static_cast<uint64_t>(t) * dev::kTicksPerSecond;
            const int64_t got =
                (static_cast<int64_t>(*CityWallTime(r, utc)) - static_cast<int64_t>(utc)) /
                static_cast<int64_t>(dev::kTicksPerMinute);
            wrong += got != dev::offsetFromChanges(initial, changes, t);
        }
        return wrong;
    };
    const struct {
        const char16_t* name;
        const char* zone;
        int most; // hours a year
    } kCities[] = {{u"Cairo", "Africa/Cairo", 2},        {u"Beirut", "Asia/Beirut", 3},
                   {u"Santiago", "America/Santiago", 3}, {u"Easter Island", "Pacific/Easter", 6},
                   {u"London", "Europe/London", 3},      {u"New York", "America/New_York", 5},
                   {u"Sydney", "Australia/Sydney", 3}};
    for (const auto& c : kCities) {
        const CityRecord* r = find(c.name);
        ASSERT_TRUE(r) << c.zone;
        for (int year : {made.year, made.year + 1})
            EXPECT_LE(hoursWrong(*r, c.zone, year), c.most) << c.zone << ' ' << year;
    }
    // Cairo on the Thursday its summer time ends, before the change at 21:00 UTC.
    const CityRecord* cairo = find(u"Cairo");
    EXPECT_EQ(dev::toSystemTime(*CityWallTime(*cairo, utcAt(2026, 10, 29, 12))).hour, 15);
    // Casablanca: one offset all year and no daylight saving; where the real clock still goes
    // back for Ramadan it is wrong only then.
    for (const char16_t* name : {u"Casablanca", u"Rabat", u"Tanger"}) {
        const CityRecord* r = find(name);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->dstUsed, 0);
        for (int year = made.year; year <= made.year + 3; ++year)
            EXPECT_LE(hoursWrong(*r, "Africa/Casablanca", year), 1300) << year;
    }
}
