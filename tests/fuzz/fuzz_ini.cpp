// The installers' INI reader over arbitrary bytes: every entry comes from one line, trimmed.
#include "device/ini.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const hv::dev::IniText ini = hv::dev::parseIni(text);
    const auto lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    if (ini.malformedLines < 0 ||
        ini.entries.size() + static_cast<size_t>(ini.malformedLines) > lines)
        __builtin_trap();
    for (const auto& e : ini.entries) {
        for (const std::string* s : {&e.section, &e.key, &e.value})
            if (s->find('\n') != std::string::npos)
                __builtin_trap();
        if (hv::dev::trimSpace(e.key) != e.key || hv::dev::trimSpace(e.value) != e.value)
            __builtin_trap();
        if (e.key.find('=') != std::string::npos)
            __builtin_trap();
    }
    return 0;
}
