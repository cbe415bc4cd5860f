// The alarm file loader over arbitrary contents: never crashes, accepts only 1520 bytes or more
// and keeps exactly the bytes it read; a shorter file is kept aside and replaced by defaults.
#include "device/fake.h"
#include "items/alarms.h"
#include "settings/settings.h"

#include <cstring>
#include <fstream>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static hv::dev::FakeDevice fake;
    hv::dev::ScopedDevice use(fake);
    fake.messageBoxesImpl.shown.clear();
    const auto file = fake.host(hv::dataFilePath(hv::items::kAlarmsFileName));
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    hv::items::Alarms table;
    const bool ok = table.load();
    if (ok != (size >= hv::items::kAlarmsFileSize) || ok != fake.messageBoxesImpl.shown.empty())
        __builtin_trap();
    if (ok && std::memcmp(table.records.data(), data, hv::items::kAlarmsFileSize) != 0)
        __builtin_trap();
    if (!ok && (table.records[0].daysMask != 0xFF || !table.loaded()))
        __builtin_trap();
    for (int i = 0; i < hv::items::kAlarmCount; ++i) {
        hv::items::textOf(table.records[static_cast<size_t>(i)].note);
        table.nextOccurrence(i);
    }
    return 0;
}
