#include "cli/commands.h"

#include "device/fake.h"
#include "device/format.h"
#include "device/paths.h"
#include "settings/settings.h"
#include "calendar/calendar.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace hv::cli {

int badValue(Io& io, const std::string& cmd, const std::string& what) {
    io.err << "horavel-cli " << cmd << ": " << what << '\n';
    return kExitUsage;
}

namespace {

int runWeek(const ParsedArgs& a, Io& io) {
    int y, m, d;
    if (!parseDate(a.positional[0], y, m, d) || y > 65535)
        return badValue(io, "week", "not a date (YYYY-MM-DD): '" + a.positional[0] + "'");
    const std::string scheme = a.get("scheme", "civil");
    if (scheme != "civil" && scheme != "iso")
        return badValue(io, "week", "--scheme must be civil or iso");
    dev::SystemTime t{static_cast<uint16_t>(y), static_cast<uint16_t>(m), 0, static_cast<uint16_t>(d), 0, 0, 0, 0};
    io.out << WeekNumber(t, scheme == "iso" ? WeekScheme::Iso8601 : WeekScheme::Civil) << '\n';
    return kExitOk;
}

int runDaysBetween(const ParsedArgs& a, Io& io) {
    int y1, m1, d1, y2, m2, d2;
    if (!parseDate(a.positional[0], y1, m1, d1) || y1 > 65535)
        return badValue(io, "days-between", "not a date (YYYY-MM-DD): '" + a.positional[0] + "'");
    if (!parseDate(a.positional[1], y2, m2, d2) || y2 > 65535)
        return badValue(io, "days-between", "not a date (YYYY-MM-DD): '" + a.positional[1] + "'");
    io.out << DaysBetween(static_cast<uint8_t>(d1), static_cast<uint8_t>(m1), static_cast<uint16_t>(y1),
                          static_cast<uint8_t>(d2), static_cast<uint8_t>(m2), static_cast<uint16_t>(y2))
           << '\n';
    return kExitOk;
}

int runFormat(const ParsedArgs& a, Io& io) {
    int y, mo, d, h, mi, s;
    if (!parseDateTime(a.get("at"), y, mo, d, h, mi, s) || y < 1601 || y > 30827)
        return badValue(io, "format", "--at must be 'YYYY-MM-DD HH:MM:SS' (years 1601..30827)");
    if (a.has("picture") == a.has("system"))
        return badValue(io, "format", "give exactly one of --picture and --system");
    const dev::LocaleData loc =
        a.has("locale") ? dev::LocaleData::fromName(a.get("locale")) : dev::LocaleData::fromEnvironment();
    const auto ft = dev::toFileTime(dev::SystemTime{static_cast<uint16_t>(y), static_cast<uint16_t>(mo), 0,
                                                    static_cast<uint16_t>(d), static_cast<uint16_t>(h),
                                                    static_cast<uint16_t>(mi), static_cast<uint16_t>(s), 0});
    const dev::SystemTime t = dev::toSystemTime(*ft); // fills the day of the week
    std::u16string text;
    if (a.has("picture")) {
        text = dev::formatPicture(t, dev::fromUtf8(a.get("picture")), loc);
    } else {
        const std::string which = a.get("system");
        dev::SystemFormat f;
        if (which == "shortdate")
            f = dev::SystemFormat::ShortDate;
        else if (which == "longdate")
            f = dev::SystemFormat::LongDate;
        else if (which == "time")
            f = dev::SystemFormat::TimeNoSeconds;
        else
            return badValue(io, "format", "--system must be shortdate, longdate or time");
        text = dev::systemFormatText(t, f, loc);
    }
    io.out << dev::toUtf8(text) << '\n';
    return kExitOk;
}

void printPair(std::ostream& os, const std::string& name, const CityPair& p) {
    os << name << '=' << p.continent << ',' << p.city << '\n';
}

int runSettingsShow(const ParsedArgs& a, Io& io) {
    std::ifstream in(a.positional[0], std::ios::binary);
    if (!in) {
        io.err << "horavel-cli settings show: cannot open '" << a.positional[0] << "'\n";
        return kExitFailure;
    }
    std::vector<uint8_t> bytes;
    char buf[4096];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) {
        bytes.insert(bytes.end(), buf, buf + in.gcount());
        if (bytes.size() > kSettingsFileSize)
            break; // larger than any settings file: no need to read the rest
    }
    SettingsRecord r;
    if (!parseSettings(bytes.data(), bytes.size(), r)) {
        io.err << "horavel-cli settings show: '" << a.positional[0] << "' is not a settings file (" << bytes.size()
               << (bytes.size() > kSettingsFileSize ? "+" : "") << " bytes; a settings file has exactly "
               << kSettingsFileSize << ")\n";
        return kExitFailure;
    }
    std::ostream& o = io.out;
    o << "alarmVolume=" << r.alarmVolume << "\nstartupView=" << r.startupView << "\nlastView=" << r.lastView
      << "\nhomeContinent=" << r.homeContinent << "\nhomeCity=" << r.homeCity << "\nstatusLeft=" << r.statusLeft
      << "\nstatusCentral=" << r.statusCentral << "\nstatusRight=" << r.statusRight
      << "\nlastViewSub=" << int(r.lastViewSub) << "\nstopwatchRunning=" << int(r.stopwatchRunning)
      << "\nstopwatchTime=" << r.stopwatchTime << '\n';
    for (int i = 0; i < 20; ++i)
        printPair(o, "cityTimeCities[" + std::to_string(i) + "]", r.cityTimeCities[i]);
    for (int i = 0; i < 15; ++i)
        printPair(o, "timeCalcCities[" + std::to_string(i) + "]", r.timeCalcCities[i]);
    printPair(o, "worldTimeCityA", r.worldTimeCityA);
    printPair(o, "worldTimeCityB", r.worldTimeCityB);
    printPair(o, "digitalClockCity", r.digitalClockCity);
    o << "chimeOn=" << int(r.chimeOn) << "\nchimeInterval=" << int(r.chimeInterval)
      << "\nscreenSaverOn=" << int(r.screenSaverOn) << "\nscreenSaverSkin=" << int(r.screenSaverSkin)
      << "\nscreenSaverTimeout=" << int(r.screenSaverTimeout) << "\nweekNumbering=" << int(r.weekNumbering)
      << "\neventsUnit=" << int(r.eventsUnit) << "\neventsSortBy=" << int(r.eventsSortBy) << '\n';
    return kExitOk;
}

int runSettingsDefaults(const ParsedArgs& a, Io& io) {
    SettingsRecord r{};
    fillSettingsDefaults(r);
    std::ofstream out(a.positional[0], std::ios::binary | std::ios::trunc);
    if (!out.write(reinterpret_cast<const char*>(&r), sizeof r) || !out.flush()) {
        io.err << "horavel-cli settings defaults: cannot write '" << a.positional[0] << "'\n";
        return kExitFailure;
    }
    return kExitOk;
}

} // namespace

void registerCalendarCommands(CommandTable& t) {
    t.add({"week", "YYYY-MM-DD", "print the week number of a date",
           "--scheme civil (default): weeks start on Monday, week 1 holds January 1st.\n"
           "--scheme iso: ISO 8601 weeks.",
           {{"scheme", true, false, "civil|iso"}}, 1, 1, runWeek});
    t.add({"days-between", "YYYY-MM-DD YYYY-MM-DD", "print the signed number of days from the first date to the second",
           "", {}, 2, 2, runDaysBetween});
    t.add({"format", "", "format a date and time with a picture or a system format",
           "Picture elements: d dd ddd dddd M MM MMM MMMM y yy yyyy h hh H HH m mm s ss t tt,\n"
           "'quoted text' is copied. --locale NAME (e.g. de_DE) overrides the environment's locale.",
           {{"picture", true, false, "P"}, {"system", true, false, "shortdate|longdate|time"},
            {"at", true, true, "'YYYY-MM-DD HH:MM:SS'"}, {"locale", true, false, "NAME"}},
           0, 0, runFormat});
}

void registerSettingsCommands(CommandTable& t) {
    t.add({"settings show", "FILE", "print every field of a settings file as name=value lines", "", {}, 1, 1,
           runSettingsShow});
    t.add({"settings defaults", "FILE", "write a settings file with every default", "", {}, 1, 1,
           runSettingsDefaults});
}

CommandTable buildCommandTable() {
    CommandTable t;
    registerCalendarCommands(t);
    registerSettingsCommands(t);
    registerAstroCommands(t);
    registerCitiesCommands(t);
    registerItemsCommands(t);
    registerDeviceCommands(t);
    return t;
}

int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    static const CommandTable table = buildCommandTable();
    Io io{out, err};
    return table.dispatch(args, io);
}

} // namespace hv::cli
