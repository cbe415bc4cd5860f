// The main program's command line and the alarm and timer slot readers over arbitrary bytes.
#include "device/fake.h"
#include "settings/settings.h"
#include "shellcore/shellcore.h"
#include "shellcore/statussources.h"

#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::u16string line(size / 2, u'\0');
    if (!line.empty())
        std::memcpy(line.data(), data, line.size() * 2);
    const hv::shell::CommandLine c = hv::shell::parseCommandLine(line);
    hv::SettingsRecord s{};
    if (size >= sizeof s)
        std::memcpy(&s, data, sizeof s);
    const hv::shell::StartupChoice choice = hv::shell::chooseStartup(s, c);
    if (!hv::shell::isView(choice.selectedView) || choice.sub.alarmsPage < 0 ||
        choice.sub.alarmsPage >= hv::shell::kAlarmPages || choice.sub.timersSelected >= 4 ||
        choice.sub.cityTimeSelected >= 20 || choice.sub.timeCalcSelected >= 12)
        __builtin_trap();
    if (c.kind == hv::shell::CommandLine::Kind::ScreenSaver && c.number > 2)
        __builtin_trap();
    (void)hv::shell::parseAlarmSlots(data, size);
    (void)hv::shell::parseTimerSlots(data, size);
    return 0;
}
