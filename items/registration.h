// Every registration of an item with the notification service, and the one read-change-write
// under which a registration reaches its record's file. The main program (the alarm, timer and
// event tables, the repair at its start) and the reminder (a firing alarm, the run after a
// change of the time, a snooze) all register here, so that each kind has one rule.
#pragma once

#include "device/device.h"
#include "items/records.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace hv::items {

// The argument of the reminder's own start that ends a user snooze.
inline constexpr char16_t kSnoozeArgument[] = u"sn";

// Who registers. The main program names the reminder by its installed path and gives an alarm
// kAlarmWindow to start in; the reminder names itself (the program the service started) and
// leaves the end open.
enum class Registrar { MainProgram, Reminder };

// An alarm at `occurrence` (local wall clock) under `argument` ("a01" .. "a20"; the reminder
// passes the command line it was started with). The handle, 0 when the service refused it.
dev::NotificationHandle registerAlarm(Registrar by, const std::u16string& argument,
                                      dev::FileTime occurrence);
// Clears an alarm's registration `old` (0 names none; the call is harmless) and registers the
// occurrence when one is given. The new handle, 0 without one or when the service refused it.
dev::NotificationHandle replaceAlarmRegistration(Registrar by, dev::NotificationHandle old,
                                                 const std::u16string& argument,
                                                 std::optional<dev::FileTime> occurrence);

// Timer `index` at the local wall-clock end of its run, updating registration `update` when it
// is not 0. The handle, 0 when the service refused it.
dev::NotificationHandle registerTimer(int index, dev::FileTime endLocal,
                                      dev::NotificationHandle update = 0);

// An event at its time. Its argument ("e" + the handle) names the handle, which the service
// gives: a handle it still holds (`known`) is updated in one step; otherwise the event is
// registered under "e" and then given its argument. The handle, 0 when the service refused it.
dev::NotificationHandle registerEvent(dev::NotificationHandle known, dev::FileTime eventTime);

// The reminder's user snooze: its own start with kSnoozeArgument at `at` (local wall clock).
dev::NotificationHandle registerSnooze(dev::FileTime at);

// Clears a registration; 0 names none (the call is harmless).
void clearRegistration(dev::NotificationHandle handle);

// How a held update opens, reads and writes its file.
struct HoldRules {
    int holdAttempts = 1; // opens of a file another process holds, kRetryPauseMs apart
    int readAttempts = 1; // opens and reads of the image, readPauseMs apart
    uint32_t readPauseMs = 0;
    int writeAttempts = 1; // writes of the image into the held file, writePauseMs apart
    uint32_t writePauseMs = 0;
    bool wholeFile = false; // the image is the whole file: replaced whole, crash-safe
    // The main program's table is the truth: a missing file is created and a short one written
    // over (change() is then told nothing was read). Otherwise the file must hold the image.
    bool tableIsTruth = false;
};

// The main program's tables: the whole file, waited for while another process holds it,
// written with the savers' retries.
inline HoldRules tableHoldRules() {
    HoldRules rules;
    rules.holdAttempts = kBusyAttempts;
    rules.writeAttempts = kFileAttempts;
    rules.writePauseMs = kRetryPauseMs;
    rules.wholeFile = true;
    rules.tableIsTruth = true;
    return rules;
}

// Written; Unchanged when change() said there was nothing to write; NotRead when the file could
// not be had (nothing was changed); NotWritten when the write failed through every attempt.
enum class HeldUpdate { Written, Unchanged, NotRead, NotWritten };

// One read-change-write of an item file, held from its read to its write: reads `size` bytes at
// `offset` into `image`, calls `change` (told whether the image was read; it re-registers and
// alters the image, and returns whether to write it), and writes the image back at the same
// place. No other program's read-change-write falls between, so the handles written are the
// registrations made, and a registration made elsewhere meanwhile waits for the write and is
// then the one read.
HeldUpdate updateHeld(const std::u16string& path, uint64_t offset, void* image, size_t size,
                      const HoldRules& rules, const std::function<bool(bool read)>& change);

} // namespace hv::items
