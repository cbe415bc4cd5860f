#include "calendar/calendar.h"

#include "device/format.h"
#include "device/locale.h"
#include "settings/settings.h"

namespace hv {

namespace {
int yearLength(int year) {
    return dev::isGregorianLeap(year) ? 366 : 365;
}
} // namespace

int DayOfWeek(uint16_t year, uint8_t month, uint8_t day) {
    int m = month, y = year;
    if (month < 3) {
        m = month + 12;
        y = year - 1;
    }
    const int s = (26 * (m + 1)) / 10 + (125 * y) / 100 + y / 400 - y / 100 + day - 2;
    return (s % 7 + 7) % 7;
}

int DaysInMonth(uint8_t month, uint16_t year) {
    switch (month) {
    case 4:
    case 6:
    case 9:
    case 11:
        return 30;
    case 2:
        return dev::isGregorianLeap(year) ? 29 : 28;
    default:
        return 31;
    }
}

uint16_t DayOfYear(uint8_t day, uint8_t month, uint16_t year) {
    int sum = day;
    for (int m = 1; m < month; ++m)
        sum += DaysInMonth(static_cast<uint8_t>(m), year);
    return static_cast<uint16_t>(sum);
}

uint16_t DaysToYearEnd(uint8_t day, uint8_t month, uint16_t year) {
    int sum = 0;
    for (int m = 12; m >= month && m >= 1; --m)
        sum += DaysInMonth(static_cast<uint8_t>(m), year);
    return static_cast<uint16_t>(sum - day + 1);
}

int32_t DaysBetween(uint8_t d1, uint8_t m1, uint16_t y1, uint8_t d2, uint8_t m2, uint16_t y2) {
    if (d1 == d2 && m1 == m2 && y1 == y2)
        return 0;
    const bool secondLater = y2 > y1 || (y2 == y1 && (m2 > m1 || (m2 == m1 && d2 > d1)));
    const uint8_t de = secondLater ? d1 : d2, me = secondLater ? m1 : m2;
    const uint16_t ye = secondLater ? y1 : y2;
    const uint8_t dl = secondLater ? d2 : d1, ml = secondLater ? m2 : m1;
    const uint16_t yl = secondLater ? y2 : y1;
    int32_t n;
    if (ye == yl) {
        n = yearLength(ye) - DaysToYearEnd(dl, ml, yl) - DayOfYear(de, me, ye) + 1;
    } else {
        n = DaysToYearEnd(de, me, ye) + DayOfYear(dl, ml, yl) - 1;
        for (int y = ye + 1; y < yl; ++y)
            n += yearLength(y);
    }
    return secondLater ? n : -n;
}

int32_t JulianDay(const SystemTime& t) {
    const int32_t a = (14 - t.month) / 12;
    const int32_t y = t.year + 4800 - a;
    const int32_t m = t.month;
    return t.day + ((m + 12 * a) * 153 - 457) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045;
}

int IsoWeekOfJulianDay(int32_t j) {
    const int32_t d4 = ((((j / 7) * 7 + 31741) % 146097) % 36524) % 1461;
    const int32_t l = d4 / 1460;
    const int32_t d1 = d4 - 365 * ((d4 - l) / 365);
    return d1 / 7 + 1;
}

int WeekNumber(const SystemTime& t, WeekScheme scheme) {
    if (scheme == WeekScheme::Iso8601)
        return IsoWeekOfJulianDay(JulianDay(t));
    const int w = DayOfWeek(t.year, 1, 1);
    const int n = DaysBetween(1, 1, t.year, static_cast<uint8_t>(t.day),
                              static_cast<uint8_t>(t.month), t.year);
    return ((w + 7) % 7 + n) / 7 + 1;
}

int WeekNumber(const SystemTime& t) {
    return WeekNumber(t,
                      app().settings.weekNumbering == 1 ? WeekScheme::Iso8601 : WeekScheme::Civil);
}

std::u16string FormatMonthDay(const SystemTime& t, bool dayNamePrefix) {
    char16_t sep[16] = {};
    dev::getLocaleInfo(dev::LocaleItem::SDATE, sep, 16);
    const bool dayFirst = app().locale.localeLongDateOrder == 1;
    const char16_t* first =
        dayFirst ? (dayNamePrefix ? picture::kDayNameDay : picture::kDayUnpadded)
                 : (dayNamePrefix ? picture::kDayNameMonth : picture::kMonthUnpadded);
    std::u16string text = dev::dateText(t, first);
    text += sep;
    text += dev::dateText(t, dayFirst ? picture::kMonthPadded : picture::kDayPadded);
    if (sep[0] == u'.')
        text += sep;
    return text;
}

} // namespace hv
