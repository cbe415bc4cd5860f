// hv_notice_scene ROOT: prepares a device root in which alarm 1 ("Tea & toast") falls due now and
// starts the reminder for it, so that its bubble and its desktop notification can be looked at
// together (scripts/notice-screenshot.sh takes the picture). The reminder keeps running until
// its bubble is dismissed; this program waits for it.
#include "device/device.h"
#include "device/real.h"
#include "device/registry.h"
#include "items/records.h"
#include "settings/settings.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

using namespace hv;
using namespace hv::dev;
namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: hv_notice_scene ROOT BHVEVENTS\n");
        return 2;
    }
    const fs::path root = fs::absolute(argv[1]);
    const fs::path data = root / "Program Files" / "Horavel" / "data";
    fs::create_directories(data);
    fs::create_directories(root / "Windows");
    fs::copy_file(argv[2], root / "Windows" / "BHVEvents.exe",
                  fs::copy_options::overwrite_existing);
    ::setenv("HORAVEL_DEVICE", root.c_str(), 1);
    RealDevice::instance().setRoot(root);

    char16_t folder[kInstallValueSize / 2] = {};
    const std::u16string text = u"\\Program Files\\Horavel\\";
    std::copy(text.begin(), text.end(), folder);
    if (!regCreateKey(RegHive::LocalMachine, kInstallKey) ||
        !regSetValue(RegHive::LocalMachine, kInstallKey, kInstallValue, RegType::MultiSz, folder,
                     sizeof folder)) {
        std::fprintf(stderr, "hv_notice_scene: cannot write the registry in %s\n", root.c_str());
        return 1;
    }
    SettingsRecord settings{};
    fillSettingsDefaults(settings);
    std::ofstream(data / "settings.dat", std::ios::binary)
        .write(reinterpret_cast<const char*>(&settings), sizeof settings);
    std::array<items::AlarmRecord, 20> alarms{};
    for (auto& a : alarms)
        a.daysMask = 0x7F;
    alarms[0].enabled = 1;
    alarms[0].showDescription = 1;
    alarms[0].alarmTime = getLocalTimeAsFileTime();
    items::setText(alarms[0].note, u"Tea & toast");
    std::ofstream(data / "alarms.dat", std::ios::binary)
        .write(reinterpret_cast<const char*>(alarms.data()), sizeof alarms);

    const std::string program = (root / "Windows" / "BHVEvents.exe").string();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execl(program.c_str(), program.c_str(), "a01", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
