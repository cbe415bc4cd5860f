// horavel-cli's parser and commands over arbitrary argument vectors (NUL-separated words).
#include "cli/commands.h"

#include <sstream>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> args;
    std::string word;
    for (size_t i = 0; i < size && args.size() < 16; ++i) {
        if (data[i] == 0) {
            args.push_back(word);
            word.clear();
        } else {
            word += static_cast<char>(data[i]);
        }
    }
    if (!word.empty())
        args.push_back(word);
    // Commands that write files are given only paths below a scratch folder.
    for (auto& a : args)
        if (a.find('/') != std::string::npos)
            a = "/nonexistent/" + std::to_string(a.size());
    std::ostringstream out, err;
    const int status = hv::cli::runCli(args, out, err);
    if (status < 0 || status > 2)
        __builtin_trap();
    return 0;
}
