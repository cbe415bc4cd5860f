// Shared helpers of the item tests: a fake device with a set local clock in UTC.
#pragma once

#include "device/device.h"
#include "device/fake.h"
#include "device/files.h"
#include "settings/settings.h"

#include <gtest/gtest.h>

namespace hv::items::testing {

inline dev::SystemTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    dev::SystemTime t{
        static_cast<uint16_t>(y), static_cast<uint16_t>(mo), 0,
        static_cast<uint16_t>(d), static_cast<uint16_t>(h),  static_cast<uint16_t>(mi),
        static_cast<uint16_t>(s), static_cast<uint16_t>(ms)};
    return dev::toSystemTime(*dev::toFileTime(t)); // fills the day of the week
}
inline dev::FileTime ft(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    return *dev::toFileTime(at(y, mo, d, h, mi, s, ms));
}

class ItemsTest : public ::testing::Test {
protected:
    ItemsTest() {
        resetAppState();
        fake.clockImpl.setZone(dev::zoneUtc());
        setNow(2026, 12, 9, 10, 0); // a Wednesday
    }
    void setNow(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
        fake.clockImpl.setLocal(at(y, mo, d, h, mi, s, ms));
    }
    std::vector<dev::TimedRegistration> registrations() { return fake.notificationsImpl.list(); }
    std::vector<uint8_t> fileBytes(std::u16string_view name) {
        return dev::readWholeFile(dataFilePath(name)).value_or(std::vector<uint8_t>{});
    }
    void writeFile(std::u16string_view name, const std::vector<uint8_t>& bytes) {
        ASSERT_TRUE(dev::saveWholeFile(dataFilePath(name), bytes));
    }
    size_t messages() const { return fake.messageBoxesImpl.shown.size(); }

    dev::FakeDevice fake;
    dev::ScopedDevice use{fake};
};

// A fake device whose notification service notes, at every registration, whether a given file
// is held by the caller (a second open of it fails): a read-change-write of an item file must
// hold the file from its read to its write, registration included.
class HoldCheckingNotifications : public dev::InProcessNotifications {
public:
    std::u16string heldPath;
    int registered = 0;
    int registeredUnheld = 0;
    dev::NotificationHandle setTimed(dev::NotificationHandle handle,
                                     const std::u16string& application,
                                     const std::u16string& arguments, const dev::SystemTime& start,
                                     const dev::SystemTime& end) override {
        ++registered;
        if (dev::ExclusiveFile::open(heldPath, dev::OpenMode::ReadExisting).isOpen())
            ++registeredUnheld;
        return InProcessNotifications::setTimed(handle, application, arguments, start, end);
    }
};

class HoldCheckingDevice : public dev::FakeDevice {
public:
    using FakeDevice::FakeDevice;
    dev::Notifications& notifications() override { return holdChecking; }
    HoldCheckingNotifications holdChecking;
};

} // namespace hv::items::testing
