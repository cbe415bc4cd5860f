#include "cli/commands.h"

#include <iostream>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return hv::cli::runCli(args, std::cout, std::cerr);
}
