#include "device/fake.h"
#include "device/real.h"
#include "device/systime.h"
#include "device/zonechanges.h"
#include "tests/support/settime.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace hv::dev;

namespace {
using hv::testsupport::at;
FileTime ft(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return toFileTime(at(y, mo, d, h, mi, s)).value();
}
} // namespace

// Against std::chrono's calendar, a reference independent of the device's conversions.
TEST(FileTimes, RoundTripEveryDayOfFourCenturies) {
    namespace chr = std::chrono;
    const chr::sys_days first{chr::year{1601} / 1 / 1}, end{chr::year{2401} / 1 / 1};
    SystemTime st{};
    for (chr::sys_days day = first; day < end; day += chr::days{1}) {
        const chr::year_month_day c{day};
        const SystemTime in = at(static_cast<int>(c.year()), static_cast<int>(unsigned(c.month())),
                                 static_cast<int>(unsigned(c.day())), 23, 59, 58);
        FileTime f;
        ASSERT_TRUE(systemTimeToFileTime(in, f));
        ASSERT_EQ(f, static_cast<FileTime>((day - first).count()) * kTicksPerDay +
                         23 * kTicksPerHour + 59 * kTicksPerMinute + 58 * kTicksPerSecond);
        ASSERT_TRUE(fileTimeToSystemTime(f, st));
        ASSERT_EQ(st.year, in.year);
        ASSERT_EQ(st.month, in.month);
        ASSERT_EQ(st.day, in.day);
        ASSERT_EQ(st.second, 58);
        ASSERT_EQ(st.dayOfWeek, chr::weekday{day}.c_encoding());
    }
}

TEST(FileTimes, KnownInstantsAndRejectedRecords) {
    EXPECT_EQ(ft(1601, 1, 1), 0u);
    EXPECT_EQ(ft(1970, 1, 1), kUnixEpochFileTime);
    EXPECT_EQ(toSystemTime(kUnixEpochFileTime).dayOfWeek, 4); // a Thursday
    FileTime f;
    EXPECT_FALSE(systemTimeToFileTime(at(2023, 2, 29), f));
    EXPECT_FALSE(systemTimeToFileTime(at(2024, 4, 31), f));
    EXPECT_FALSE(systemTimeToFileTime(at(2024, 0, 1), f));
    EXPECT_FALSE(systemTimeToFileTime(at(2024, 13, 1), f));
    EXPECT_FALSE(systemTimeToFileTime(at(2024, 1, 1, 24), f));
    EXPECT_FALSE(systemTimeToFileTime(at(1600, 12, 31), f));
    EXPECT_TRUE(systemTimeToFileTime(at(2100, 2, 28), f));
    EXPECT_FALSE(systemTimeToFileTime(at(2100, 2, 29), f)); // Gregorian: 2100 is no leap year
}

TEST(Zones, NthWeekdayOfMonth) {
    EXPECT_EQ(nthWeekdayOfMonth(2024, 3, 0, 2), 10u); // second Sunday of March 2024
    EXPECT_EQ(nthWeekdayOfMonth(2024, 3, 0, 5), 31u); // last Sunday
    EXPECT_EQ(nthWeekdayOfMonth(2024, 10, 0, 5), 27u);
    EXPECT_EQ(nthWeekdayOfMonth(2024, 2, 4, 5), 29u); // last Thursday of a leap February
    EXPECT_EQ(nthWeekdayOfMonth(2023, 2, 3, 5), 22u);
}

TEST(Zones, NorthernDaylightBoundaries) {
    const auto tz = zoneUsEastern();
    // 10 March 2024, 2:00 EST = 7:00 UTC.
    EXPECT_FALSE(isDaylightAtUtc(tz, ft(2024, 3, 10, 6, 59, 59)));
    EXPECT_TRUE(isDaylightAtUtc(tz, ft(2024, 3, 10, 7)));
    // 3 November 2024, 2:00 EDT = 6:00 UTC.
    EXPECT_TRUE(isDaylightAtUtc(tz, ft(2024, 11, 3, 5, 59, 59)));
    EXPECT_FALSE(isDaylightAtUtc(tz, ft(2024, 11, 3, 6)));
    EXPECT_EQ(utcToLocal(tz, ft(2024, 7, 1, 12)), ft(2024, 7, 1, 8));
    EXPECT_EQ(utcToLocal(tz, ft(2024, 1, 1, 12)), ft(2024, 1, 1, 7));
    EXPECT_EQ(localToUtc(tz, ft(2024, 7, 1, 8)), ft(2024, 7, 1, 12));
    // The skipped hour counts as standard time; the repeated hour as daylight time.
    EXPECT_EQ(localToUtc(tz, ft(2024, 3, 10, 2, 30)), ft(2024, 3, 10, 7, 30));
    EXPECT_EQ(localToUtc(tz, ft(2024, 11, 3, 1, 30)), ft(2024, 11, 3, 5, 30));
    EXPECT_EQ(localToUtc(tz, ft(2024, 11, 3, 2, 0)), ft(2024, 11, 3, 7, 0));
}

TEST(Zones, SouthernRuleWrapsTheYear) {
    const auto tz = zoneSydney();
    EXPECT_TRUE(isDaylightAtUtc(tz, ft(2024, 1, 15)));
    EXPECT_FALSE(isDaylightAtUtc(tz, ft(2024, 6, 15)));
    EXPECT_TRUE(isDaylightAtUtc(tz, ft(2024, 12, 15)));
    EXPECT_EQ(utcToLocal(tz, ft(2024, 1, 15, 0)), ft(2024, 1, 15, 11));
    EXPECT_EQ(utcToLocal(tz, ft(2024, 6, 15, 0)), ft(2024, 6, 15, 10));
    // Daylight time ends 7 April 2024 at 3:00 local daylight time = 6 April 16:00 UTC.
    EXPECT_TRUE(isDaylightAtUtc(tz, ft(2024, 4, 6, 15, 59)));
    EXPECT_FALSE(isDaylightAtUtc(tz, ft(2024, 4, 6, 16, 0)));
}

TEST(Zones, LocalUtcRoundTripAcrossAYearInEveryTestZone) {
    for (const auto& tz : {zoneUtc(), zoneUsEastern(), zoneCentralEurope(), zoneSydney()})
        for (FileTime t = ft(2025, 1, 1); t < ft(2026, 1, 1); t += 37 * kTicksPerMinute) {
            // Only the second pass of the repeated hour maps back to its first pass.
            const FileTime back = localToUtc(tz, utcToLocal(tz, t));
            ASSERT_TRUE(back == t || (back + kTicksPerHour == t && !isDaylightAtUtc(tz, t) &&
                                      isDaylightAtUtc(tz, back)))
                << toSystemTime(t).month << '-' << toSystemTime(t).day;
        }
}

TEST(Zones, HostZoneRecordReproducesTheHostRule) {
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    const auto tz = hostZoneForYear(2024);
    if (old)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
    EXPECT_EQ(tz.Bias, -60);
    EXPECT_EQ(tz.DaylightBias, -60);
    EXPECT_EQ(tz.DaylightDate.month, 3);
    EXPECT_EQ(tz.DaylightDate.day, 5);
    EXPECT_EQ(tz.DaylightDate.hour, 2);
    EXPECT_EQ(tz.StandardDate.month, 10);
    EXPECT_EQ(tz.StandardDate.day, 5);
    EXPECT_EQ(tz.StandardDate.hour, 3);
    EXPECT_EQ(utcToLocal(tz, ft(2024, 7, 1, 12)), ft(2024, 7, 1, 14));
}

TEST(FakeDevice, ClockRunsOnlyWhenTold) {
    FakeDevice fake;
    ScopedDevice use(fake);
    fake.clockImpl.setZone(zoneCentralEurope());
    fake.clockImpl.setLocal(at(2024, 7, 1, 9, 30));
    EXPECT_EQ(getSystemTime().hour, 7);
    EXPECT_EQ(getLocalTime().hour, 9);
    EXPECT_EQ(getLocalTime().dayOfWeek, 1);
    sleepMs(90 * 60 * 1000);
    EXPECT_EQ(getLocalTime().hour, 11);
    EXPECT_EQ(fake.clockImpl.sleeps(), 1);
    EXPECT_TRUE(fake.timeSettingImpl.setLocalTime(at(2024, 12, 24, 18)));
    EXPECT_EQ(getSystemTime().hour, 17);
}

TEST(RealDevice, ClockFileOffsetAndZoneRoundTrip) {
    FakeDevice scratch; // only for its temporary folder
    ClockFile cf;
    cf.offsetTicks = -42 * static_cast<int64_t>(kTicksPerHour);
    cf.hasZone = true;
    cf.zone = zoneSydney();
    {
        ScopedDevice use(scratch);
        ASSERT_TRUE(writeClockFile(scratch.root(), cf));
    }
    const auto back = readClockFile(scratch.root());
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->offsetTicks, cf.offsetTicks);
    EXPECT_EQ(back->zone.Bias, -600);
    EXPECT_EQ(back->zone.DaylightDate.month, 10);
}

TEST(RealDevice, WavVolumeScalesSixteenBitSamples) {
    std::vector<uint8_t> wav = {'R',  'I',  'F', 'F', 0,    0,    0, 0, 'W',  'A',  'V',  'E',
                                'f',  'm',  't', ' ', 16,   0,    0, 0, 1,    0,    1,    0,
                                0x44, 0xAC, 0,   0,   0x88, 0x58, 1, 0, 2,    0,    16,   0,
                                'd',  'a',  't', 'a', 4,    0,    0, 0, 0x00, 0x40, 0x00, 0xC0};
    const auto half = scaleWavVolume(wav, 0x80008000);
    ASSERT_EQ(half.size(), wav.size());
    const auto s0 = static_cast<int16_t>(half[44] | half[45] << 8);
    const auto s1 = static_cast<int16_t>(half[46] | half[47] << 8);
    EXPECT_NEAR(s0, 0x2000, 2);
    EXPECT_NEAR(s1, -0x2000, 2);
    EXPECT_EQ(scaleWavVolume(wav, 0xFFFFFFFF), wav);
    // A truncated data chunk is left alone rather than read past its end.
    std::vector<uint8_t> cut(wav.begin(), wav.end() - 3);
    EXPECT_EQ(scaleWavVolume(cut, 0x80008000), cut);
}

TEST(RealDevice, ShellStartsADeviceProgramDetachedWithTheRoot) {
    FakeDevice scratch; // for its temporary root
    const auto root = scratch.root();
    std::filesystem::create_directories(root / "Windows");
    const auto script = root / "Windows" / "Probe.exe";
    {
        std::ofstream out(script);
        out << "#!/bin/sh\necho \"$1|$HORAVEL_DEVICE\" > \"$HORAVEL_DEVICE/started.txt\"\n";
    }
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    auto shell = makeLinuxShell(root);
    ASSERT_TRUE(shell->start(u"\\Windows\\Probe.exe", u"a07"));
    EXPECT_FALSE(shell->start(u"\\Windows\\Missing.exe", u""));
    std::string line;
    for (int i = 0; i < 200 && line.empty(); ++i) {
        std::ifstream in(root / "started.txt");
        std::getline(in, line);
        if (line.empty())
            usleep(25000);
    }
    EXPECT_EQ(line, "a07|" + root.string());
    const auto names = shell->processNames();
    EXPECT_NE(std::find(names.begin(), names.end(), u"hv_unit_tests"), names.end());
}

TEST(Zones, ChangesFromTheSystemZoneData) {
    const int64_t from = daysFromCivil(2024, 1, 1) * 86400, to = daysFromCivil(2025, 1, 1) * 86400;
    const auto berlin = zoneChanges("Europe/Berlin", from, to);
    ASSERT_EQ(berlin.size(), 2u);
    EXPECT_EQ(berlin[0].at, daysFromCivil(2024, 3, 31) * 86400 + 3600);
    EXPECT_EQ(berlin[0].before, 60);
    EXPECT_EQ(berlin[0].after, 120);
    EXPECT_EQ(berlin[1].at, daysFromCivil(2024, 10, 27) * 86400 + 3600);
    EXPECT_EQ(berlin[1].after, 60);
    EXPECT_EQ(offsetFromChanges(60, berlin, berlin[0].at - 1), 60);
    EXPECT_EQ(offsetFromChanges(60, berlin, berlin[0].at), 120);
    EXPECT_EQ(zoneOffsetAt("Asia/Kathmandu", from), 345);
    // Half-open: a change at the end of the span belongs to the next one.
    EXPECT_TRUE(zoneChanges("Europe/Berlin", from, berlin[0].at).empty());
    EXPECT_TRUE(zoneChanges("Asia/Tokyo", from, to).empty());
    EXPECT_FALSE(zoneKnown("Nowhere/Atlantis"));
    EXPECT_TRUE(zoneChanges("Nowhere/Atlantis", from, to).empty());
}
