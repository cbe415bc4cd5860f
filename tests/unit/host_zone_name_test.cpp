// The host zone's IANA name as the real device reads it from TZ, the /etc/localtime link or
// /etc/timezone: a zoneinfo path or a bare name gives the name, anything else none.
#include "device/real.h"

#include <gtest/gtest.h>

#include <string>

using hv::dev::zoneNameOfPath;

TEST(HostZoneName, ZoneinfoPathsAndBareNames) {
    EXPECT_EQ(zoneNameOfPath("/usr/share/zoneinfo/Europe/Berlin"), "Europe/Berlin");
    EXPECT_EQ(zoneNameOfPath("../usr/share/zoneinfo/America/New_York"), "America/New_York");
    EXPECT_EQ(zoneNameOfPath("/usr/share/zoneinfo/posix/Asia/Kathmandu"), "Asia/Kathmandu");
    EXPECT_EQ(zoneNameOfPath("America/Argentina/Buenos_Aires"), "America/Argentina/Buenos_Aires");
    EXPECT_EQ(zoneNameOfPath("Etc/GMT+5"), "Etc/GMT+5");
    EXPECT_EQ(zoneNameOfPath("UTC"), "UTC");
}

TEST(HostZoneName, RulesStrayPathsAndDamagedTextGiveNone) {
    EXPECT_EQ(zoneNameOfPath(""), "");
    EXPECT_EQ(zoneNameOfPath("CET-1CEST,M3.5.0,M10.5.0/3"), "") << "a POSIX rule has no name";
    EXPECT_EQ(zoneNameOfPath("/etc/localtime"), "");
    EXPECT_EQ(zoneNameOfPath("Europe/Berlin\n"), "");
    EXPECT_EQ(zoneNameOfPath(std::string("Europe/\0Berlin", 14)), "");
    EXPECT_EQ(zoneNameOfPath(std::string(200, 'A')), "");
    EXPECT_EQ(zoneNameOfPath("Europe/Ber\xc3\xa9lin"), "");
}
