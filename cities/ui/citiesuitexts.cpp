#include "cities/ui/citiesuitexts.h"

#include "device/device.h"
#include "device/format.h"
#include "toolkit/window/strings.h"

#include <cstdlib>
#include <iterator>

namespace hv::citiesui {

void registerCitiesStrings() {
    static const tk::StringResource table[] = {
        {kStrNorthSouth, u"North\\South\\."},
        {kStrEastWest, u"East\\West\\."},
        {kStrWeeks, u"First\\Second\\Third\\Fourth\\Last\\."},
        {kStrStart, u"Start"},
        {kStrEnd, u"End"},
        {kStrCityDetails, u"City Details"},
        {kStrEditCities, u"Edit Cities"},
        {kStrSelectHomeLocation, u"Select Home Location"},
    };
    static const bool once = [] {
        tk::RegisterStrings(table, static_cast<int>(std::size(table)));
        return true;
    }();
    (void)once;
}

std::u16string citiesString(int id) {
    registerCitiesStrings();
    return tk::LoadStringResource(id);
}

std::u16string CityDateText(const dev::SystemTime& t, const LocaleCache& locale,
                            std::u16string_view separator) {
    // The locale's separator, at most 15 characters as the handheld reads it.
    const std::u16string sep(separator.substr(0, 15));
    const bool dayFirst = locale.localeLongDateOrder == 1;
    std::u16string text = dayFirst ? dev::dateText(t, u"ddd, d") + sep + dev::dateText(t, u"MM")
                                   : dev::dateText(t, u"ddd, M") + sep + dev::dateText(t, u"dd");
    if (sep == u".")
        text += sep;
    return text;
}

std::u16string CityDateText(const dev::SystemTime& t, const LocaleCache& locale) {
    return CityDateText(t, locale, dev::current().locale().data().dateSeparator);
}

std::u16string CityTimeText(const dev::SystemTime& t) {
    return dev::systemFormatText(t, dev::SystemFormat::TimeNoSeconds);
}

std::u16string CityListOffsetText(int gmtOffset) {
    std::u16string s = gmtOffset > 0 ? u" +" : gmtOffset < 0 ? u" -" : u" ";
    const int a = std::abs(gmtOffset);
    const int hours = a / 60;
    const int minutes = a % 60;
    if (hours < 10)
        s += u'0';
    for (const char c : std::to_string(hours))
        s += static_cast<char16_t>(c);
    s += minutes < 10 ? u":0" : u":";
    for (const char c : std::to_string(minutes))
        s += static_cast<char16_t>(c);
    return s;
}

int WeekdayOfListIndex(int index, int firstDayOfWeek) {
    if (firstDayOfWeek == 6)
        return index;
    return index == 6 ? 0 : index + 1;
}

int ListIndexOfWeekday(int weekday, int firstDayOfWeek) {
    if (firstDayOfWeek == 6)
        return weekday;
    return weekday == 0 ? 6 : weekday - 1;
}

} // namespace hv::citiesui
