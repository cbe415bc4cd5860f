// The package's small file formats over arbitrary bytes: the screen saver's exception list, the
// setup description in a cabinet and the application manager's description.
#include "desktop/desktop.h"
#include "screensaver/exceptions.h"
#include "setup/installer.h"

#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto names = hv::parseExceptionList(data, size);
    if (names.size() > hv::kMaxExceptions)
        __builtin_trap();
    for (const auto& n : names)
        if (n.empty() || n.find(u'\0') != std::u16string::npos)
            __builtin_trap();
    // Encoding and parsing again gives the same names.
    const auto image = hv::encodeExceptionList(names);
    if (hv::parseExceptionList(image.data(), image.size()) != names)
        __builtin_trap();

    const std::string_view text(reinterpret_cast<const char*>(data), size);
    hv::install::SetupDescription d;
    if (hv::install::parseDescription(text, d)) {
        for (const auto& p : d.files)
            if (p.name.empty() || p.name.find_first_of("/\\") != std::string::npos ||
                p.name == "..")
                __builtin_trap();
        (void)hv::install::expandFolder(d.installFolder);
    }
    hv::desktop::AppManagerIni ini;
    if (hv::desktop::parseAppManagerIni(text, ini) && ini.cabFiles.empty())
        __builtin_trap();
    return 0;
}
