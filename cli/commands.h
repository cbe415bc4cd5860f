// horavel-cli's commands. Each subsystem adds its own with a register function called from
// buildCommandTable().
#pragma once

#include "cli/args.h"

#include <ostream>
#include <string>
#include <vector>

namespace hv::cli {

void registerCalendarCommands(CommandTable& t);
void registerSettingsCommands(CommandTable& t);
void registerAstroCommands(CommandTable& t);
void registerCitiesCommands(CommandTable& t);
void registerItemsCommands(CommandTable& t);
void registerDeviceCommands(CommandTable& t);

// A bad argument of command cmd: says what is wrong on io.err and returns kExitUsage.
int badValue(Io& io, const std::string& cmd, const std::string& what);

CommandTable buildCommandTable();
int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace hv::cli
