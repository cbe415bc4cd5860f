#include "calendar/calendar.h"

#include "device/format.h"
#include "device/locale.h"
#include "device/text.h"
#include "settings/settings.h"

namespace hv {

namespace {
int64_t dayNumber(uint16_t year, unsigned month, unsigned day) {
    return dev::daysFromCivil(year, month, day);
}
} // namespace

int DayOfWeek(uint16_t year, uint8_t month, uint8_t day) {
    return static_cast<int>((dev::weekdayFromDays(dayNumber(year, month, day)) + 6) % 7);
}

int DaysInMonth(uint8_t month, uint16_t year) {
    return month >= 1 && month <= 12 ? static_cast<int>(dev::gregorianDaysInMonth(year, month))
                                     : 31;
}

uint16_t DayOfYear(uint8_t day, uint8_t month, uint16_t year) {
    return static_cast<uint16_t>(dayNumber(year, month, day) - dayNumber(year, 1, 0));
}

uint16_t DaysToYearEnd(uint8_t day, uint8_t month, uint16_t year) {
    return static_cast<uint16_t>(dayNumber(year, 12, 32) - dayNumber(year, month, day));
}

int32_t DaysBetween(uint8_t d1, uint8_t m1, uint16_t y1, uint8_t d2, uint8_t m2, uint16_t y2) {
    return static_cast<int32_t>(dayNumber(y2, m2, d2) - dayNumber(y1, m1, d1));
}

int32_t JulianDay(const SystemTime& t) {
    return static_cast<int32_t>(dev::julianDayNumberOfDays(dayNumber(t.year, t.month, t.day)));
}

int IsoWeekOfJulianDay(int32_t j) {
    // The week of the Thursday of the date's week (weeks start on Monday), counted in that
    // Thursday's year.
    const int64_t z = dev::daysOfJulianDayNumber(j);
    const int64_t thursday = z - (dev::weekdayFromDays(z) + 6) % 7 + 3;
    const int64_t year = dev::civilFromDays(thursday).year;
    return static_cast<int>((thursday - dev::daysFromCivil(year, 1, 1)) / 7 + 1);
}

int WeekNumber(const SystemTime& t, WeekScheme scheme) {
    if (scheme == WeekScheme::Iso8601)
        return IsoWeekOfJulianDay(JulianDay(t));
    // Weeks start on Monday; week 1 holds January 1st.
    const int64_t jan1 = dayNumber(t.year, 1, 1);
    const int64_t mondayFirst = (dev::weekdayFromDays(jan1) + 6) % 7;
    return static_cast<int>((mondayFirst + dayNumber(t.year, t.month, t.day) - jan1) / 7 + 1);
}

WeekScheme WeekSchemeOf(const SettingsRecord& settings) {
    return settings.weekNumbering == 1 ? WeekScheme::Iso8601 : WeekScheme::Civil;
}

int WeekNumber(const SystemTime& t, const SettingsRecord& settings) {
    return WeekNumber(t, WeekSchemeOf(settings));
}

int WeekNumber(const SystemTime& t) {
    return WeekNumber(t, app().settings);
}

std::u16string WeekNumberText(const SystemTime& t, const SettingsRecord& settings) {
    return dev::fromUtf8(std::to_string(WeekNumber(t, settings)));
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
