// Registrations the items files say should exist: at the main program's start every armed
// alarm, running timer and pending event whose registration the notification service does not
// hold (a damaged store that was replaced, a registration that failed while no daemon could be
// reached) is registered again, and its record takes the new handle.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>

namespace hv::items {

class Alarms;
class Timers;
class Events;

// The tables as loaded from their files. Registers what is missing, then clears every stray
// registration (clearStrayRegistrations), so that each armed item has exactly one. Returns how
// many items were registered again.
int registerMissingItems(Alarms& alarms, Timers& timers, Events& events);

// The handles the items' records keep for their pending registrations (armed alarms, running
// timers, events). A kind left out (empty optional) is not looked at.
struct KeptHandles {
    std::optional<std::set<uint32_t>> alarms, timers, events;
};
// Clears every registration of the reminder program (reminderPath) whose argument names an
// alarm, timer or event ("a01", "t00", "e<handle>") under a handle its record does not keep: one
// made while the daemon died before it answered, or one whose clear was lost, would ring the item
// a second time. Each one cleared is written to the journal. Returns how many were cleared.
int clearStrayRegistrations(const std::u16string& reminderPath, const KeptHandles& kept);

} // namespace hv::items
