// The daemon's diagnostics: one line on standard error, marked with the daemon's process id.
#pragma once

#include <iostream>
#include <string>
#include <unistd.h>

namespace hv::deviced {

inline void log(const std::string& text) {
    std::cerr << "hvdeviced[" << ::getpid() << "]: " << text << std::endl;
}

} // namespace hv::deviced
