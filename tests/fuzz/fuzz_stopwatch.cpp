// The stopwatch split file and an event note file over arbitrary contents.
#include "device/fake.h"
#include "items/events.h"
#include "items/stopwatch.h"
#include "settings/settings.h"

#include <fstream>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static hv::dev::FakeDevice fake;
    hv::dev::ScopedDevice use(fake);
    const auto splits = hv::items::parseSplits(data, size);
    for (const auto& s : splits)
        if (s.label.empty() || s.time.empty() || s.label.find(u'\0') != std::u16string::npos)
            __builtin_trap();
    // What is written back reads back the same.
    const auto bytes = hv::items::serializeSplits(splits);
    if (hv::items::parseSplits(bytes.data(), bytes.size()) != splits)
        __builtin_trap();
    for (const char16_t* name : {hv::items::kStopwatchFileName, u"5.dat"}) {
        const auto file = fake.host(hv::dataFilePath(name));
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    hv::items::Stopwatch sw;
    sw.loadSplits();
    if (sw.splits != splits)
        __builtin_trap();
    if (hv::items::Events::loadNote(5).size() > size / 2)
        __builtin_trap();
    return 0;
}
