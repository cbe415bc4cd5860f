// The settings loader and the settings-show command over arbitrary file contents.
#include "cli/commands.h"
#include "device/fake.h"
#include "settings/settings.h"

#include <fstream>
#include <sstream>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static hv::dev::FakeDevice fake;
    hv::dev::ScopedDevice use(fake);
    const auto file = fake.host(u"\\data\\settings.dat");
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    hv::resetAppState();
    hv::loadSettings();
    if (std::filesystem::file_size(file) != hv::kSettingsFileSize)
        __builtin_trap(); // a loaded settings file always ends up whole
    std::ostringstream out, err;
    hv::cli::runCli({"settings", "show", file.string()}, out, err);
    hv::SettingsRecord r;
    hv::parseSettings(data, size, r);
    return 0;
}
