// The texts of the World Time, City Time and city editing screens: their string resources, the
// date line both views write under a city's time, the offset column of the city list, and the
// weekday order of the daylight-saving lists.
#pragma once

#include "device/systime.h"
#include "settings/settings.h"
#include "toolkit/window/strings.h"

#include <string>

namespace hv::citiesui {

enum : int {
    kStrNorthSouth = 40065,
    kStrEastWest = 40066,
    kStrWeeks = 40067,
    kStrStart = 40068,
    kStrEnd = 40069,
    kStrCityDetails = 40110,
    kStrEditCities = 40112,
    kStrSelectHomeLocation = 40118,
};
// The city lists' labels are the toolkit's, which names its city list's two lists by them.
using tk::kStrCityLabel;
using tk::kStrContinentLabel;

inline constexpr char16_t kCaption[] = u"Horavel";
inline constexpr char16_t kCantDeleteHome[] = u"You can't delete home location city.";
inline constexpr char16_t kAskDelete[] = u"Are you sure you want to delete the selected city?";
inline constexpr char16_t kEnterName[] = u"Please enter name of city.";
inline constexpr char16_t kEnterCoordinates[] = u"Please enter correct latitude and logitude data.";
inline constexpr char16_t kZoneChosen[] = u"The new time zone has been chosen.";
inline constexpr char16_t kSaveToClock[] = u"Save change to the clock settings?";
inline constexpr char16_t kShiftTime[] = u"Shift time to accordong to";
inline constexpr char16_t kShiftTimeSecond[] = u"the new time zone.";

// Registers the screens' string lists and labels once.
void registerCitiesStrings();
std::u16string citiesString(int id);

// The date line: "Tue, 5.12." where the long-date order is day-month-year and the separator
// ".", "Tue, 12/05" with "/" and month first.
std::u16string CityDateText(const dev::SystemTime& t, const LocaleCache& locale,
                            std::u16string_view separator);
// The same with the device's locale separator.
std::u16string CityDateText(const dev::SystemTime& t, const LocaleCache& locale);
// The time of day in the locale's format without seconds.
std::u16string CityTimeText(const dev::SystemTime& t);

// The city list's offset column: " +05:45", " -09:30", " 00:00".
std::u16string CityListOffsetText(int gmtOffset);

// Weekday lists follow the locale's day-name list: Sunday first when the week starts on Sunday
// (firstDayOfWeek 6), else Monday first. Weekday 0 = Sunday.
int WeekdayOfListIndex(int index, int firstDayOfWeek);
int ListIndexOfWeekday(int weekday, int firstDayOfWeek);

} // namespace hv::citiesui
