// Registrations the items files say should exist: at the main program's start every armed
// alarm, running timer and pending event whose registration the notification service does not
// hold (a damaged store that was replaced, a registration that failed while no daemon could be
// reached) is registered again, and its record takes the new handle.
#pragma once

namespace hv::items {

class Alarms;
class Timers;
class Events;

// The tables as loaded from their files. Returns how many items were registered again.
int registerMissingItems(Alarms& alarms, Timers& timers, Events& events);

} // namespace hv::items
