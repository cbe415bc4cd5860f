// What the horavel-cli commands of cities and time scales share: the instants they take, the
// city files they read (--data DIR or the device's installed ones), the lookup of a city by list
// and position, and the wall-time text.
#pragma once

#include "cities/citydatabase.h"
#include "cli/args.h"
#include "device/systime.h"

#include <string>

namespace hv::cli {

// 'YYYY-MM-DD HH:MM:SS' within the file-time calendar (years 1601..30827), as a file time and
// as its normalized record.
bool parseInstant(const std::string& s, dev::FileTime& ft, dev::SystemTime& st);

// The --data option of such a command.
inline const OptionSpec kCityDataOption{"data", true, false, "DIR"};

// Loads the city files of --data DIR (a host folder), else the installed ones of the device.
// When no file loads, says so on io.err (as command cmd) and returns false.
bool loadCities(const ParsedArgs& a, CityDatabase& db, const std::string& cmd, Io& io);

// The city at a position of a list; when there is none, says so on io.err and returns null.
const CityRecord* cityAt(const CityDatabase& db, int continent, int index, const std::string& cmd,
                         Io& io);

// "YYYY-MM-DD HH:MM:SS".
std::string wallTimeText(const dev::SystemTime& t);

} // namespace hv::cli
