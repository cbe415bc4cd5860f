#include "cli/commands.h"
#include "device/fake.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

using hv::cli::runCli;

namespace {
struct CliResult {
    int status;
    std::string out, err;
};
CliResult run(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = runCli(args, out, err);
    return {status, out.str(), err.str()};
}
} // namespace

TEST(Cli, WeekAndDaysBetween) {
    EXPECT_EQ(run({"week", "2023-01-01", "--scheme", "civil"}).out, "1\n");
    EXPECT_EQ(run({"week", "2023-01-01", "--scheme=iso"}).out, "52\n");
    EXPECT_EQ(run({"week", "2012-12-31"}).out, "54\n");
    EXPECT_EQ(run({"days-between", "2023-12-31", "2024-01-01"}).out, "1\n");
    EXPECT_EQ(run({"days-between", "2024-01-01", "2023-12-31"}).out, "-1\n");
    EXPECT_EQ(run({"days-between", "2100-02-28", "2100-03-01"}).out, "1\n");
}

TEST(Cli, Format) {
    EXPECT_EQ(run({"format", "--picture", "dddd d MMMM yyyy", "--at", "2024-03-05 13:04:09",
                   "--locale", "de_DE"})
                  .out,
              "Dienstag 5 März 2024\n");
    EXPECT_EQ(
        run({"format", "--system", "time", "--at", "2024-03-05 13:04:09", "--locale", "en_US"}).out,
        "1:04 PM\n");
    EXPECT_EQ(
        run({"format", "--system", "shortdate", "--at", "2024-03-05 13:04:09", "--locale", "en_GB"})
            .out,
        "05/03/2024\n");
}

TEST(Cli, BadArgumentsExitWithTwoAndSayWhy) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"nosuch"},
        {"week"},
        {"week", "2023-02-29"},
        {"week", "2023-1-01"},
        {"week", "2023-01-01", "--scheme", "julian"},
        {"week", "2023-01-01", "--scheme"},
        {"week", "2023-01-01", "2023-01-02"},
        {"days-between", "2023-01-01"},
        {"format", "--at", "2024-03-05 13:04:09"},
        {"format", "--picture", "d", "--system", "time", "--at", "2024-03-05 13:04:09"},
        {"format", "--picture", "d", "--at", "2024-03-05 25:04:09"},
        {"format", "--picture", "d", "--at", "2024-03-05 13:04:09", "--bogus"},
        {"settings"},
        {"settings", "show"},
    };
    for (const auto& args : bad) {
        const CliResult r = run(args);
        EXPECT_EQ(r.status, 2) << (args.empty() ? "" : args[0]);
        EXPECT_FALSE(r.err.empty());
    }
    const CliResult help = run({"format", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: horavel-cli format"), std::string::npos);
    EXPECT_EQ(run({"--help"}).status, 0);
}

TEST(Cli, SettingsDefaultsThenShow) {
    hv::dev::FakeDevice scratch;
    const std::string file = (scratch.root() / "settings.dat").string();
    ASSERT_EQ(run({"settings", "defaults", file}).status, 0);
    const CliResult shown = run({"settings", "show", file});
    ASSERT_EQ(shown.status, 0);
    EXPECT_EQ(shown.out.rfind(
                  "alarmVolume=1\nstartupView=0\nlastView=0\nhomeContinent=4\nhomeCity=97\n", 0),
              0u);
    EXPECT_NE(shown.out.find("cityTimeCities[0]=4,97\n"), std::string::npos);
    EXPECT_NE(shown.out.find("timeCalcCities[11]=4,93\ntimeCalcCities[12]=0,0\n"),
              std::string::npos);
    EXPECT_NE(
        shown.out.find("worldTimeCityB=4,97\ndigitalClockCity=3,40\nchimeOn=0\nchimeInterval=5\n"),
        std::string::npos);
    EXPECT_NE(shown.out.find("eventsSortBy=0\n"), std::string::npos);

    std::ofstream(file, std::ios::binary | std::ios::app).put('x');
    const CliResult wrong = run({"settings", "show", file});
    EXPECT_EQ(wrong.status, 1);
    EXPECT_NE(wrong.err.find("not a settings file"), std::string::npos);
    EXPECT_EQ(run({"settings", "show", (scratch.root() / "missing").string()}).status, 1);
}
