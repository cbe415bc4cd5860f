// The events file loader over arbitrary contents: never trusts the count beyond the bytes, and
// what it loads saves back to an image that parses to the same records.
#include "device/fake.h"
#include "items/events.h"
#include "items/listorder.h"
#include "settings/settings.h"

#include <cstring>
#include <fstream>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static hv::dev::FakeDevice fake;
    hv::dev::ScopedDevice use(fake);
    fake.messageBoxesImpl.shown.clear();
    const hv::items::EventsImage img = hv::items::parseEvents(data, size);
    if (!img.records.empty() && img.records.size() * sizeof(hv::items::EventRecord) + 8 > size)
        __builtin_trap();
    const auto file = fake.host(hv::dataFilePath(hv::items::kEventsFileName));
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    hv::items::Events table;
    if (table.load() != img.ok)
        __builtin_trap();
    if (!img.ok)
        return 0;
    const auto bytes = hv::items::serializeEvents(table.records, table.noteCounter);
    const auto again = hv::items::parseEvents(bytes.data(), bytes.size());
    if (again.records.size() != table.records.size() ||
        (!again.records.empty() &&
         std::memcmp(again.records.data(), table.records.data(), again.records.size() * 76) != 0))
        __builtin_trap();
    for (uint8_t rule = 0; rule < 3; ++rule)
        hv::items::eventOrder(table.records, static_cast<hv::items::SortRule>(rule));
    for (const auto& r : table.records)
        hv::items::differenceText(hv::items::signedSecondsBetween(r.eventTime, 0),
                                  static_cast<uint8_t>(r.pauseIndex));
    return 0;
}
