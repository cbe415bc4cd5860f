#include "cities/citytime.h"
#include "cities_test_support.h"
#include "cli/commands.h"
#include "device/fake.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

namespace {

struct Result {
    int rc;
    std::string out;
    std::string err;
};

Result Cli(std::vector<std::string> args) {
    std::ostringstream out, err;
    const int rc = hv::cli::runCli(args, out, err);
    return {rc, out.str(), err.str()};
}

// Degrees as text that reads back to the same double.
std::string Deg(double v) {
    char b[40];
    std::snprintf(b, sizeof b, "%.17g", v);
    return b;
}

} // namespace

TEST(AstroCli, SunPrintsMinutesThenTexts) {
    Result r = Cli({"sun", "--lat", "0", "--lon", "0", "--offset-min", "0", "--date", "2006-03-21",
                    "--type", "2"});
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "319 1135");
    r = Cli({"sun", "--lat", "78", "--lon", "15", "--offset-min", "60", "--date", "2006-12-21"});
    ASSERT_EQ(r.rc, 0);
    EXPECT_EQ(r.out, "-1 -1\n--:--\t- - - - -\n");
}

TEST(AstroCli, SunRejectsBadArgumentsAndReportsMissingCities) {
    EXPECT_EQ(
        Cli({"sun", "--lat", "91", "--lon", "0", "--offset-min", "0", "--date", "2006-03-21"}).rc,
        2);
    EXPECT_EQ(
        Cli({"sun", "--lat", "0", "--lon", "0", "--offset-min", "0", "--date", "2006-02-30"}).rc,
        2);
    EXPECT_EQ(Cli({"sun", "--lat", "0", "--lon", "0", "--date", "2006-03-21"}).rc, 2);
    EXPECT_EQ(Cli({"sun", "--lat", "0", "--lon", "0", "--offset-min", "0", "--date", "2006-03-21",
                   "--type", "4"})
                  .rc,
              2);
    EXPECT_EQ(Cli({"sun", "--city", "3,x", "--date", "2006-03-21"}).rc, 2);
    // A folder without city files.
    const std::string empty = (std::filesystem::path(HV_DATA_DIR) / "astro").string();
    const Result r = Cli({"sun", "--city", "3,40", "--date", "2006-03-21", "--data", empty});
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find("no city files"), std::string::npos);
    EXPECT_EQ(Cli({"timecalc", "--from", "3,40", "--to", "4,97", "--at", "2006-07-01 12:00:00",
                   "--data", empty})
                  .rc,
              1);
    EXPECT_EQ(Cli({"timecalc", "--from", "9,40", "--to", "4,97", "--at", "2006-07-01 12:00:00"}).rc,
              2);
}

TEST(AstroCli, SunOfACity) {
    // London (list 3, position 40): 51°30' N, 0°07' W.
    hv::CityDatabase db;
    ASSERT_GT(db.loadImages(hv::test::shippedImages()), 0);
    const hv::CityRecord* london = db.recordAt(hv::kEurope, 40);
    ASSERT_NE(london, nullptr);
    ASSERT_EQ(london->nameView(), u"London");
    hv::dev::FakeDevice fake;
    hv::dev::ScopedDevice use(fake);
    // The offset is the device zone's on that date: summer time under London's own zone, none
    // under UTC.
    fake.clockImpl.setZone(hv::CityZone(*london));
    Result r = Cli({"sun", "--city", "3,40", "--date", "2006-06-21", "--data", HV_DATA_DIR});
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "283 1281");
    EXPECT_EQ(r.out, Cli({"sun", "--lat", Deg(london->latitude()), "--lon",
                          Deg(london->longitude()), "--offset-min", "60", "--date", "2006-06-21"})
                         .out);
    fake.clockImpl.setZone(hv::dev::zoneUtc());
    r = Cli(
        {"sun", "--city", "3,40", "--date", "2006-06-21", "--type", "1", "--data", HV_DATA_DIR});
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(r.out,
              Cli({"sun", "--lat", Deg(london->latitude()), "--lon", Deg(london->longitude()),
                   "--offset-min", "0", "--date", "2006-06-21", "--type", "1"})
                  .out);
    // The merged list holds the same cities.
    EXPECT_EQ(Cli({"sun", "--city", "6,0", "--date", "2006-06-21", "--data", HV_DATA_DIR}).rc, 0);

    r = Cli({"sun", "--city", "3,85", "--date", "2006-06-21", "--data", HV_DATA_DIR});
    EXPECT_EQ(r.rc, 2);
    EXPECT_NE(r.err.find("list 3 has no city 85 (it has 85)"), std::string::npos) << r.err;
    EXPECT_EQ(Cli({"sun", "--city", "3,40", "--lat", "0", "--date", "2006-06-21"}).rc, 2);
}

TEST(AstroCli, TimeCalcBetweenCities) {
    auto Calc = [](const char* from, const char* to, const char* at) {
        return Cli({"timecalc", "--from", from, "--to", to, "--at", at, "--data", HV_DATA_DIR});
    };
    // London (3,40) to New York (4,97) in summer and winter.
    Result r = Calc("3,40", "4,97", "2006-07-01 12:00:00");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(r.out, "2006-07-01 07:00:00\n");
    EXPECT_EQ(Calc("3,40", "4,97", "2006-01-10 12:00:00").out, "2006-01-10 07:00:00\n");
    // Sydney (2,26) is in its summer time in January.
    EXPECT_EQ(Calc("3,40", "2,26", "2006-01-10 12:00:00").out, "2006-01-10 23:00:00\n");
    // New York to Kathmandu (1,64) across the new year.
    EXPECT_EQ(Calc("4,97", "1,64", "2006-12-31 20:00:00").out, "2007-01-01 06:45:00\n");
    // The reference city itself, on the night its clocks change.
    EXPECT_EQ(Calc("3,40", "3,40", "2006-03-26 00:30:00").out, "2006-03-26 00:30:00\n");

    // Kathmandu (+5:45) to Adak (-10) at the first minute of 1601 has no instant: no result.
    r = Calc("1,64", "4,1", "1601-01-01 00:00:00");
    EXPECT_EQ(r.rc, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("no result"), std::string::npos) << r.err;
    EXPECT_EQ(Calc("1,64", "4,1", "1601-01-02 00:00:00").out, "1601-01-01 08:15:00\n");

    r = Calc("3,40", "4,165", "2006-07-01 12:00:00");
    EXPECT_EQ(r.rc, 2);
    EXPECT_NE(r.err.find("list 4 has no city 165"), std::string::npos) << r.err;
    EXPECT_EQ(Calc("3,99", "4,97", "2006-07-01 12:00:00").rc, 2);
    EXPECT_EQ(Calc("3,40", "4,97", "2006-07-01").rc, 2);
}

TEST(AstroCli, MoonKeys) {
    const Result r = Cli({"moon", "--utc", "2006-01-10 12:00:00", "--south"});
    ASSERT_EQ(r.rc, 0) << r.err;
    for (const char* key : {"visible=", "distance_km=", "phase=Waxing Gibbous\n", "picture=",
                            "age=", "last_new=2005-12-31 ", "next_new=2006-01-29 14:15\n",
                            "phase_1=full 2006-01-14 ", "phase_2=last 2006-01-22 15:14\n",
                            "phase_3=new ", "phase_4=first ", "apogee=", "perigee=2006-01-01 "})
        EXPECT_NE(r.out.find(key), std::string::npos) << key;
    EXPECT_EQ(Cli({"moon", "--utc", "2006-01-10"}).rc, 2);
}

TEST(AstroCli, BeatsAndYearProgress) {
    Result r = Cli({"beats", "--utc", "2006-03-01 12:00:00"});
    EXPECT_EQ(r.out, "541\n");
    r = Cli({"beats", "--utc", "2006-03-01 22:59:59"});
    EXPECT_EQ(r.out, "999\n");
    // Beats are a time of day: the last half hour of 30827 has them, though its date one hour
    // east of UTC lies past the calendar.
    EXPECT_EQ(Cli({"beats", "--utc", "30827-12-31 23:30:00"}).out, "020\n");
    EXPECT_EQ(Cli({"beats"}).rc, 2);
    EXPECT_EQ(Cli({"beats", "--utc", "2006-03-01 12:00:00", "--local", "2006-03-01 12:00:00"}).rc,
              2);
    r = Cli({"year-progress", "--year", "2006", "--unit", "days", "--now", "2006-07-02 12:00:00"});
    EXPECT_EQ(r.out, "182.5 182.5\n");
    r = Cli(
        {"year-progress", "--year", "2005", "--unit", "months", "--now", "2006-01-01 00:00:00"});
    EXPECT_EQ(r.out, "11.9 0.0\n");
    EXPECT_EQ(Cli({"year-progress", "--year", "2006", "--unit", "fortnights", "--now",
                   "2006-07-02 12:00:00"})
                  .rc,
              2);
}
