// Sound-path files (chimesnd.dat and the per-item sound files) over arbitrary contents.
#include "device/fake.h"
#include "settings/settings.h"
#include "settings/soundpath.h"

#include <fstream>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static hv::dev::FakeDevice fake;
    hv::dev::ScopedDevice use(fake);
    const auto text = hv::decodeSoundPath(data, size);
    if (text.size() > hv::kMaxPathChars || text.find(u'\0') != std::u16string::npos)
        __builtin_trap();
    const auto file = fake.host(u"\\data\\chimesnd.dat");
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    hv::readChimeSound();
    // A file that names no path gives the default sound.
    if (hv::app().chimeSound != (text.empty() ? std::u16string(hv::kDefaultSoundPath) : text))
        __builtin_trap();
    return 0;
}
