#include "astro/ui/astrotexts.h"

#include "device/device.h"
#include "device/format.h"
#include "device/text.h"
#include "toolkit/window/strings.h"

#include <iterator>

namespace hv::astroui {

void registerAstroStrings() {
    // The Moon panel's labels and the phase names belong to the Moon's core.
    astro::registerMoonStrings();
    static const tk::StringResource table[] = {
        {kStrSunrise, u"Sunrise:"},
        {kStrSunset, u"Sunset:"},
        {kStrDate, u"Date:"},
        {kStrType, u"Type:"},
        {kStrSunTypes, u"Rise and Set\\Civil\\Nautical\\Astronomical\\."},
    };
    static const bool once = [] {
        tk::RegisterStrings(table, static_cast<int>(std::size(table)));
        return true;
    }();
    (void)once;
}

std::u16string astroString(int id) {
    registerAstroStrings();
    return tk::LoadStringResource(id);
}

// ---- Sun rise/set ---------------------------------------------------------------------------

SunLines sunLinesFor(const CityRecord* home, int type, const dev::SystemTime& date) {
    SunLines lines;
    if (home) {
        lines.day = astro::SunDayFor(home->latitude(), home->longitude(), type, date.year,
                                     date.month, date.day);
    } else {
        lines.day.texts = {astro::kNoSunrise, astro::kNoSunset};
    }
    lines.sunrise = astroString(kStrSunrise) + u"  " + lines.day.texts.rise;
    lines.sunset = astroString(kStrSunset) + u"  " + lines.day.texts.set;
    return lines;
}

// ---- Moon Phases ----------------------------------------------------------------------------

dev::SystemTime localTimeOfJulianDay(double jd) {
    dev::SystemTime t{};
    return astro::LocalTimeOfJulianDay(jd, t) ? t : dev::SystemTime{};
}

std::u16string phaseNameText(astro::PhaseName name) {
    return astro::PhaseNameText(name);
}

std::u16string apsisTimeText(const dev::SystemTime& t) {
    return t.year ? dev::timeText(t, u"h:mm tt") : std::u16string();
}

std::u16string apsisDateText(const dev::SystemTime& t) {
    return t.year ? dev::dateText(t, u"dd MMM yyyy") : std::u16string();
}

std::u16string phaseTimeText(const dev::SystemTime& t) {
    return t.year ? dev::systemFormatText(t, dev::SystemFormat::TimeNoSeconds) : std::u16string();
}

std::u16string phaseDateText(const dev::SystemTime& t) {
    return t.year ? dev::systemFormatText(t, dev::SystemFormat::ShortDate) : std::u16string();
}

std::u16string kilometresText(int km) {
    return dev::fromUtf8(std::to_string(km)) + u" km";
}

namespace {

ApsisLines apsisLines(const astro::Apsis& a) {
    const dev::SystemTime t = localTimeOfJulianDay(a.jd);
    return {apsisTimeText(t), apsisDateText(t), kilometresText(a.km)};
}

} // namespace

MoonPanel moonPanelFor(const astro::MoonReport& r) {
    MoonPanel p;
    p.picture = r.look.picture;
    p.phase = phaseNameText(r.look.name);
    p.visible = dev::fromUtf8(std::to_string(r.position.visible)) + u"%";
    p.age = r.age;
    p.distance = kilometresText(r.position.distanceKm);
    p.apogee = apsisLines(r.apsides.apogee);
    p.perigee = apsisLines(r.apsides.perigee);
    for (size_t i = 0; i < p.phases.size(); ++i) {
        const dev::SystemTime t = localTimeOfJulianDay(r.phases.next[i].jd);
        p.phases[i] = {r.iconKinds[i], phaseTimeText(t), phaseDateText(t)};
    }
    return p;
}

} // namespace hv::astroui
