#include "cli/args.h"

#include "device/systime.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace hv::cli {

std::string parseArguments(const CommandSpec& cmd, const std::vector<std::string>& args,
                           ParsedArgs& out) {
    bool onlyPositional = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!onlyPositional && a == "--") {
            onlyPositional = true;
            continue;
        }
        if (onlyPositional || a.size() < 3 || a.compare(0, 2, "--") != 0) {
            out.positional.push_back(a);
            continue;
        }
        std::string name = a.substr(2), value;
        const size_t eq = name.find('=');
        const bool inlineValue = eq != std::string::npos;
        if (inlineValue) {
            value = name.substr(eq + 1);
            name.resize(eq);
        }
        const OptionSpec* opt = nullptr;
        for (const auto& o : cmd.options)
            if (o.name == name)
                opt = &o;
        if (!opt)
            return "unknown option --" + name;
        if (out.has(name))
            return "option --" + name + " given twice";
        if (!opt->takesValue) {
            if (inlineValue)
                return "option --" + name + " takes no value";
            out.flags.insert(name);
            continue;
        }
        if (!inlineValue) {
            if (i + 1 >= args.size())
                return "option --" + name + " needs a value";
            value = args[++i];
        }
        out.options[name] = value;
    }
    for (const auto& o : cmd.options)
        if (o.required && !out.has(o.name))
            return "missing option --" + o.name;
    if (out.positional.size() < cmd.minPositional)
        return "missing argument" + (cmd.positional.empty() ? std::string() : " " + cmd.positional);
    if (out.positional.size() > cmd.maxPositional)
        return "unexpected argument '" + out.positional[cmd.maxPositional] + "'";
    return {};
}

void CommandTable::printHelp(const CommandSpec& c, std::ostream& os) {
    os << "usage: horavel-cli " << c.name;
    for (const auto& o : c.options) {
        os << ' ' << (o.required ? "" : "[") << "--" << o.name;
        if (o.takesValue)
            os << ' ' << (o.valueName.empty() ? "VALUE" : o.valueName);
        os << (o.required ? "" : "]");
    }
    if (!c.positional.empty())
        os << ' ' << c.positional;
    os << "\n\n" << c.summary << '\n';
    if (!c.help.empty())
        os << '\n' << c.help << '\n';
}

void CommandTable::printOverview(std::ostream& os) const {
    os << "usage: horavel-cli COMMAND [ARGS]\n\nCommands:\n";
    for (const auto& c : commands_) {
        std::string name = c.name;
        name.resize(std::max<size_t>(name.size() + 2, 20), ' ');
        os << "  " << name << c.summary << '\n';
    }
    os << "\n'horavel-cli COMMAND --help' describes one command.\n";
}

int CommandTable::dispatch(const std::vector<std::string>& args, Io& io) const {
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        printOverview(args.empty() ? io.err : io.out);
        return args.empty() ? kExitUsage : kExitOk;
    }
    // The longest command name that the leading words spell.
    const CommandSpec* best = nullptr;
    size_t bestWords = 0;
    for (const auto& c : commands_) {
        size_t words = 0, pos = 0;
        bool match = true;
        while (pos <= c.name.size()) {
            size_t sp = c.name.find(' ', pos);
            if (sp == std::string::npos)
                sp = c.name.size();
            if (words >= args.size() || args[words] != c.name.substr(pos, sp - pos)) {
                match = false;
                break;
            }
            ++words;
            pos = sp + 1;
        }
        if (match && words > bestWords) {
            best = &c;
            bestWords = words;
        }
    }
    if (!best) {
        // A group word alone ("settings") lists its commands.
        bool group = false;
        for (const auto& c : commands_)
            if (c.name.rfind(args[0] + " ", 0) == 0) {
                if (!group)
                    io.err << "horavel-cli " << args[0] << ": choose one of:\n";
                group = true;
                io.err << "  " << c.name << "  " << c.summary << '\n';
            }
        if (!group)
            io.err << "horavel-cli: unknown command '" << args[0] << "' (try --help)\n";
        return kExitUsage;
    }
    std::vector<std::string> rest(args.begin() + static_cast<std::ptrdiff_t>(bestWords),
                                  args.end());
    for (const auto& a : rest)
        if (a == "--help" || a == "-h") {
            printHelp(*best, io.out);
            return kExitOk;
        }
    ParsedArgs parsed;
    if (const std::string error = parseArguments(*best, rest, parsed); !error.empty()) {
        io.err << "horavel-cli " << best->name << ": " << error << '\n';
        printHelp(*best, io.err);
        return kExitUsage;
    }
    return best->run(parsed, io);
}

namespace {
bool digits(const std::string& s, size_t pos, size_t n, int& out) {
    if (pos + n > s.size())
        return false;
    out = 0;
    for (size_t i = pos; i < pos + n; ++i) {
        if (s[i] < '0' || s[i] > '9')
            return false;
        out = out * 10 + (s[i] - '0');
    }
    return true;
}
} // namespace

bool parseDate(const std::string& s, int& year, int& month, int& day) {
    // Four-digit years, and five up to the last year of the calendar (30827).
    const size_t y = s.size() < 6 ? 0 : s.size() - 6;
    if ((y != 4 && y != 5) || s[y] != '-' || s[y + 3] != '-')
        return false;
    if (!digits(s, 0, y, year) || !digits(s, y + 1, 2, month) || !digits(s, y + 4, 2, day))
        return false;
    return year >= 1 && month >= 1 && month <= 12 && day >= 1 &&
           day <= static_cast<int>(dev::gregorianDaysInMonth(year, static_cast<unsigned>(month)));
}

bool parseDateTime(const std::string& s, int& year, int& month, int& day, int& hour, int& minute,
                   int& second) {
    if (s.size() != 19 && s.size() != 20)
        return false;
    const size_t t = s.size() - 9; // the separator between date and time
    if ((s[t] != ' ' && s[t] != 'T') || s[t + 3] != ':' || s[t + 6] != ':')
        return false;
    return parseDate(s.substr(0, t), year, month, day) && digits(s, t + 1, 2, hour) &&
           digits(s, t + 4, 2, minute) && digits(s, t + 7, 2, second) && hour < 24 && minute < 60 &&
           second < 60;
}

bool parseInt(const std::string& s, long long lo, long long hi, long long& out) {
    if (s.empty() || s.size() > 20)
        return false;
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(s.c_str(), &end, 10);
    if (errno != 0 || end != s.c_str() + s.size() || v < lo || v > hi)
        return false;
    out = v;
    return true;
}

bool parseDouble(const std::string& s, double lo, double hi, double& out) {
    if (s.empty() || s.size() > 40)
        return false;
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    if (errno != 0 || end != s.c_str() + s.size() || !std::isfinite(v) || v < lo || v > hi)
        return false;
    out = v;
    return true;
}

} // namespace hv::cli
