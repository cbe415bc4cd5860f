// The handheld's date and time formatter (GetDateFormatW / GetTimeFormatW): pictures made of
// d dd ddd dddd M MM MMM MMMM y yy yyyy h hh H HH m mm s ss t tt and quoted literals, plus the
// three system formats. Counts returned include the terminating zero, as the callers expect.
#pragma once

#include "device/locale.h"
#include "device/systime.h"

#include <string>

namespace hv::dev {

enum FormatFlags : uint32_t {
    kFormatNone = 0,
    kTimeNoSeconds = 0x2,    // TIME_NOSECONDS
    kDateShortDate = 0x1,    // DATE_SHORTDATE
    kDateLongDate = 0x2,     // DATE_LONGDATE
};

// Formats t with the picture under the locale; every picture element is honoured.
std::u16string formatPicture(const SystemTime& t, std::u16string_view picture, const LocaleData& loc,
                             bool noSeconds = false);

// GetDateFormatW: picture == nullptr uses the system short or long date by flags. Writes into
// buf (capacity in characters, terminator included) and returns the count with the terminator,
// 0 when it does not fit or the record is invalid. Uses the current device's locale.
int getDateFormat(const SystemTime& t, uint32_t flags, const char16_t* picture, char16_t* buf,
                  int capacity);
// GetTimeFormatW: picture == nullptr uses the system time format (kTimeNoSeconds drops seconds).
int getTimeFormat(const SystemTime& t, uint32_t flags, const char16_t* picture, char16_t* buf,
                  int capacity);

// Conveniences returning the text.
std::u16string dateText(const SystemTime& t, std::u16string_view picture);
std::u16string timeText(const SystemTime& t, std::u16string_view picture);
enum class SystemFormat { ShortDate, LongDate, TimeNoSeconds };
std::u16string systemFormatText(const SystemTime& t, SystemFormat which);
std::u16string systemFormatText(const SystemTime& t, SystemFormat which, const LocaleData& loc);

} // namespace hv::dev
