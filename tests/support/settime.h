// A local or UTC time for the tests to set the fake device's clock to.
#pragma once

#include "device/systime.h"

#include <cstdint>

namespace hv::testsupport {

inline dev::SystemTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    dev::SystemTime t{};
    t.year = static_cast<uint16_t>(y);
    t.month = static_cast<uint16_t>(mo);
    t.day = static_cast<uint16_t>(d);
    t.hour = static_cast<uint16_t>(h);
    t.minute = static_cast<uint16_t>(mi);
    t.second = static_cast<uint16_t>(s);
    t.milliseconds = static_cast<uint16_t>(ms);
    return t;
}

} // namespace hv::testsupport
