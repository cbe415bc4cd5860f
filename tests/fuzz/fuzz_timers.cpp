// The timer file loader over arbitrary contents, then the operations that read the loaded
// records (remaining time, start, stop, reset) on whatever they hold.
#include "device/fake.h"
#include "items/timers.h"
#include "settings/settings.h"

#include <fstream>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static hv::dev::FakeDevice fake;
    hv::dev::ScopedDevice use(fake);
    const auto file = fake.host(hv::dataFilePath(hv::items::kTimersFileName));
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    hv::items::Timers table;
    // Four whole records load; anything shorter is kept aside and replaced by the defaults.
    if (table.load() != (size >= hv::items::kTimersFileSize) || !table.loaded())
        __builtin_trap();
    table.openEvents();
    for (int i = 0; i < hv::items::kTimerCount; ++i)
        table.remainingText(i);
    // One operation on a loaded record (each writes the file, which is slow).
    const int i = size > 0 ? data[0] % hv::items::kTimerCount : 0;
    if (table.records[static_cast<size_t>(i)].running)
        table.stop(i);
    else if (size % 2)
        table.reset(i);
    else
        table.start(i);
    table.firstToEnd();
    fake.messageBoxesImpl.shown.clear();
    return 0;
}
