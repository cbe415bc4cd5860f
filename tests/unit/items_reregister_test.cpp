// The main program's start registers again the items whose registration the notification
// service does not hold, and leaves the others alone.
#include "device/journal.h"
#include "items/alarms.h"
#include "items/events.h"
#include "items/reregister.h"
#include "items/timers.h"
#include "items_testing.h"

namespace hv::items {
namespace {

using testing::at;
using testing::ft;

class ReregisterTest : public testing::ItemsTest {};

TEST_F(ReregisterTest, ArmedItemsWithoutARegistrationAreRegisteredAgain) {
    Alarms alarms;
    alarms.load();
    // Alarm 1: weekly, its handle unknown to the service (a store that was replaced).
    alarms.records[0].enabled = 1;
    alarms.records[0].daysMask = 0x7F;
    alarms.records[0].alarmTime = ft(2026, 12, 9, 7, 30);
    alarms.records[0].notificationHandle = 4000;
    // Alarm 2: armed and registered: left alone.
    const uint32_t held = fake.notificationsImpl.setTimed(0, kReminderPath, alarmArgument(1),
                                                          at(2026, 12, 10, 8, 0), {});
    alarms.records[1].enabled = 1;
    alarms.records[1].daysMask = 0x7F;
    alarms.records[1].alarmTime = ft(2026, 12, 10, 8, 0);
    alarms.records[1].notificationHandle = held;
    // Alarm 3: disarmed, nothing to do.
    alarms.records[2].notificationHandle = 0;
    ASSERT_TRUE(alarms.save());

    Timers timers;
    timers.records[1].running = 1;
    timers.records[1].countdownTime = ft(2026, 12, 9, 10, 20);
    timers.records[1].notificationHandle = 0; // a registration that failed
    ASSERT_TRUE(timers.save());

    Events events;
    EventRecord pending{};
    pending.eventTime = ft(2026, 12, 24, 18, 0);
    pending.notificationHandle = 9000;
    EventRecord past{};
    past.eventTime = ft(2026, 12, 1, 18, 0);
    past.notificationHandle = 9001;
    events.records = {pending, past};
    ASSERT_TRUE(events.save());

    EXPECT_EQ(registerMissingItems(alarms, timers, events), 3);
    const auto regs = registrations();
    ASSERT_EQ(regs.size(), 4u); // the one that was held and three new
    Alarms onDisk;
    onDisk.load();
    EXPECT_NE(onDisk.records[0].notificationHandle, 4000u);
    EXPECT_NE(onDisk.records[0].notificationHandle, 0u);
    EXPECT_EQ(onDisk.records[1].notificationHandle, held);
    Timers timersOnDisk;
    timersOnDisk.load();
    EXPECT_NE(timersOnDisk.records[1].notificationHandle, 0u);
    Events eventsOnDisk;
    eventsOnDisk.load();
    ASSERT_EQ(eventsOnDisk.records.size(), 2u);
    const uint32_t h = eventsOnDisk.records[0].notificationHandle;
    EXPECT_NE(h, 9000u);
    EXPECT_EQ(eventsOnDisk.records[1].notificationHandle, 9001u); // past: not registered
    bool eventRegistered = false;
    for (const auto& r : regs)
        eventRegistered = eventRegistered || (r.handle == h && r.arguments == eventArgument(h));
    EXPECT_TRUE(eventRegistered);
    EXPECT_EQ(dev::readFaults(fake.root()).count, 1u);

    // A second start finds everything registered.
    EXPECT_EQ(registerMissingItems(onDisk, timersOnDisk, eventsOnDisk), 0);
    EXPECT_EQ(registrations().size(), 4u);
}

} // namespace
} // namespace hv::items
