// The one command-line parser of horavel-cli: commands of one or two words, options of the form
// --name VALUE or --name=VALUE, flags, and positional arguments, checked against each command's
// declaration so that every command gets the same errors and --help.
#pragma once

#include <functional>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace hv::cli {

struct OptionSpec {
    std::string name; // without the dashes
    bool takesValue = true;
    bool required = false;
    std::string valueName; // shown in the usage, e.g. DEG
};

struct ParsedArgs {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;
    std::set<std::string> flags;
    bool has(const std::string& name) const { return options.count(name) || flags.count(name); }
    std::string get(const std::string& name, const std::string& fallback = {}) const {
        auto it = options.find(name);
        return it == options.end() ? fallback : it->second;
    }
};

struct Io {
    std::ostream& out;
    std::ostream& err;
};

// A command's run returns the exit status: 0 success, 1 failure, 2 bad arguments.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

struct CommandSpec {
    std::string name;       // "week" or "settings show"
    std::string positional; // usage text of the positional arguments, e.g. "YYYY-MM-DD"
    std::string summary;
    std::string help; // more lines for --help
    std::vector<OptionSpec> options;
    size_t minPositional = 0;
    size_t maxPositional = 0;
    std::function<int(const ParsedArgs&, Io&)> run;
};

class CommandTable {
public:
    void add(CommandSpec c) { commands_.push_back(std::move(c)); }
    const std::vector<CommandSpec>& commands() const { return commands_; }
    // Parses and runs; prints usage errors to io.err and returns kExitUsage for them.
    int dispatch(const std::vector<std::string>& args, Io& io) const;
    void printOverview(std::ostream& os) const;
    static void printHelp(const CommandSpec& c, std::ostream& os);

private:
    std::vector<CommandSpec> commands_;
};

// Parses the arguments after the command words against the command's declaration. Returns an error
// text, empty on success.
std::string parseArguments(const CommandSpec& cmd, const std::vector<std::string>& args,
                           ParsedArgs& out);

// Strict value parsers shared by the commands: nullopt-like false on any malformed text.
bool parseDate(const std::string& s, int& year, int& month, int& day); // YYYY-MM-DD
bool parseDateTime(const std::string& s, int& year, int& month, int& day, int& hour, int& minute,
                   int& second); // YYYY-MM-DD HH:MM:SS
bool parseInt(const std::string& s, long long lo, long long hi, long long& out);
bool parseDouble(const std::string& s, double lo, double hi, double& out);

} // namespace hv::cli
