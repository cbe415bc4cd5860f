#include "cli/commands.h"

#include <gtest/gtest.h>

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
    const Result r = Cli({"sun", "--city", "3,40", "--date", "2006-03-21"});
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find("city database"), std::string::npos);
    EXPECT_EQ(Cli({"timecalc", "--from", "3,40", "--to", "4,97", "--at", "2006-07-01 12:00:00"}).rc,
              1);
    EXPECT_EQ(Cli({"timecalc", "--from", "9,40", "--to", "4,97", "--at", "2006-07-01 12:00:00"}).rc,
              2);
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
