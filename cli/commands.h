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

CommandTable buildCommandTable();
int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace hv::cli
