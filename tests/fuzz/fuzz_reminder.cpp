// The reminder over arbitrary input: the first bytes choose an argument (read as UTF-16), the
// rest become the item file it reads. Whatever it gets, it parses, reads and ticks without a
// fault, and an alert always has its bubble text.
#include "device/fake.h"
#include "device/files.h"
#include "items/alarms.h"
#include "items/events.h"
#include "items/timers.h"
#include "reminder/reminder.h"
#include "settings/settings.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static hv::dev::FakeDevice fake;
    static bool prepared = false;
    hv::dev::ScopedDevice use(fake);
    if (!prepared) {
        fake.setModulePath(u"\\Program Files\\Horavel\\Horavel.exe");
        hv::writeInstallFolderValue();
        fake.setModulePath(u"\\Windows\\BHVEvents.exe");
        prepared = true;
    }
    const size_t argBytes = size == 0 ? 0 : std::min<size_t>(data[0] % 16, (size - 1) & ~size_t(1));
    std::u16string arg;
    for (size_t i = 0; i + 1 < argBytes; i += 2)
        arg += static_cast<char16_t>(data[1 + i] | (data[2 + i] << 8));
    const size_t rest = size == 0 ? 0 : 1 + argBytes;
    const uint8_t* file = data + rest;
    const size_t fileSize = size - rest;

    const hv::reminder::Argument a = hv::reminder::parseArgument(arg);
    if (a.action == hv::reminder::Action::SnoozeWake ||
        a.action == hv::reminder::Action::TimeChange)
        return 0; // neither reads more than the alarm file the other paths cover
    const std::u16string folder = u"\\Program Files\\Horavel\\data\\";
    for (const char16_t* name :
         {hv::items::kAlarmsFileName, hv::items::kEventsFileName, hv::items::kTimersFileName})
        hv::dev::saveWholeFile(folder + name, file, fileSize);
    hv::dev::saveWholeFile(folder + u"settings.dat", file, fileSize);
    fake.eventsImpl.setByName(hv::reminder::kSoundAllReadySetEvent, false);

    hv::reminder::Reminder rem;
    if (rem.start(arg)) {
        if (rem.html().find(u"</body></html>") == std::u16string::npos)
            __builtin_trap();
        rem.beginAlert();
        for (int i = 0; i < 40; ++i)
            rem.tick();
        rem.dismiss();
    }
    fake.notificationsImpl = hv::dev::InProcessNotifications{};
    fake.soundImpl.plays.clear();
    return 0;
}
