// The user locale: the items the programs read with GetLocaleInfoW, taken from QLocale for the
// environment's locale (LC_ALL, LC_TIME, LANG) in the real device and set freely in tests.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace hv::dev {

// The handheld's locale item numbers (LCTYPE) that the programs read.
enum class LocaleItem : uint32_t {
    SDATE = 0x1D,      // date separator
    STIME = 0x1E,      // time separator
    SSHORTDATE = 0x1F, // short date picture
    SLONGDATE = 0x20,  // long date picture
    IDATE = 0x21,      // short date order 0 MDY, 1 DMY, 2 YMD
    ILDATE = 0x22,     // long date order
    ITIME = 0x23,      // 0 AM/PM, 1 24-hour
    S1159 = 0x28,      // AM designator
    S2359 = 0x29,      // PM designator
    SDAYNAME1 = 0x2A,  // Monday
    SDAYNAME7 = 0x30,  // Sunday
    SABBREVDAYNAME1 = 0x31,
    SABBREVDAYNAME7 = 0x37,
    SMONTHNAME1 = 0x38, // January
    SMONTHNAME12 = 0x43,
    SABBREVMONTHNAME1 = 0x44,
    SSHORTESTDAYNAME1 = 0x60, // Monday, the narrowest form ("M", "一", "T2")
    SSHORTESTDAYNAME7 = 0x66,
    IFIRSTDAYOFWEEK = 0x100C, // 0 Monday ... 6 Sunday
    STIMEFORMAT = 0x1003,
};

// Everything the formatter and the locale cache read, in the handheld's own terms.
struct LocaleData {
    std::u16string name = u"en_US";
    std::array<std::u16string, 12> monthNames;       // nominative, for lists
    std::array<std::u16string, 12> monthNamesInDate; // as inside a date with a day number
    std::array<std::u16string, 12> monthAbbrev;
    std::array<std::u16string, 7> dayNames;  // Monday first
    std::array<std::u16string, 7> dayAbbrev; // Monday first
    std::array<std::u16string, 7> dayNarrow; // Monday first
    std::u16string am = u"AM";
    std::u16string pm = u"PM";
    std::u16string dateSeparator = u"/";
    std::u16string timeSeparator = u":";
    std::u16string shortDatePicture = u"M/d/yyyy";
    std::u16string longDatePicture = u"dddd, MMMM dd, yyyy";
    std::u16string timePicture = u"h:mm:ss tt";
    int time24 = 0;         // ITIME
    int shortDateOrder = 0; // IDATE
    int longDateOrder = 0;  // ILDATE
    int firstDayOfWeek = 6; // IFIRSTDAYOFWEEK, 0 Monday .. 6 Sunday

    // United States English, the fake device's default.
    static LocaleData englishUS();
    // From QLocale for a locale name such as "de_DE" or "en_GB.UTF-8"; "C", "POSIX" and an empty
    // name give englishUS().
    static LocaleData fromName(const std::string& name);
    // The environment's locale: LC_ALL, then LC_TIME, then LANG.
    static LocaleData fromEnvironment();

    // GetLocaleInfoW's text for an item ("1" for ITIME of a 24-hour locale).
    std::u16string item(LocaleItem it) const;
};

class LocaleProvider {
public:
    virtual ~LocaleProvider() = default;
    virtual const LocaleData& data() = 0;
};

// GetLocaleInfoW: copies the item's text with its terminator into buf (capacity in characters)
// and returns the characters written including the terminator; 0 when it does not fit or the
// item is unknown (ERROR_INSUFFICIENT_BUFFER). With capacity 0 returns the size needed.
int getLocaleInfo(LocaleItem item, char16_t* buf, int capacity);

// The handheld's way of handing back text: copies it with its terminator into buf and returns the
// count with the terminator; 0 when it does not fit; the size needed when capacity is 0.
int copyTerminated(std::u16string_view text, char16_t* buf, int capacity);

} // namespace hv::dev
