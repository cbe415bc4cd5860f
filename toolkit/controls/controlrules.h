// The toolkit's rules that need no window: string lists, the drop-down list's pop-up layout and
// scrolling, the time picker's stepping in its Internet-time and offset modes, the month grid, the
// tab strip, and how the list view keeps a row's time.
#pragma once

#include "device/systime.h"
#include "toolkit/window/winapi.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hv::tk {

// ---- String lists ----------------------------------------------------------------------------

// "Civil\ISO 8601\.": each item ends with a backslash, the list with a full stop.
struct ParsedList {
    int count = 0;
    std::vector<int> ends; // index of the backslash that ends each item
};
// Counts the backslashes from the second character up to the first full stop (or the end).
ParsedList ParseList(std::u16string_view list);
// The item's text; empty outside the list.
std::u16string_view ListItem(std::u16string_view list, const ParsedList& parsed, int index);
// "from\from+step\...\." while the value stays at or below `to`. A step of zero or less gives an
// empty list (it would never reach the end).
std::u16string BuildNumberList(int from, int to, int step);

// ---- Drop-down list pop-up ---------------------------------------------------------------------

inline constexpr int kArrowColumn = 30;    // the arrow icon left of the box
inline constexpr int kListMaxHeight = 480; // taller lists scroll
inline constexpr int kListBottomLimit = 528;
inline constexpr int kListRightLimit = 480;
inline constexpr int kListRightLimitScrolling = 456;
inline constexpr int kListMargin = 4;    // above and below the rows
inline constexpr int kListShiftUp = 50;  // the list rectangle at construction
inline constexpr int kPopupShiftUp = 54; // the pop-up when it opens
inline constexpr int kPopupScrollBar = 24;

struct PopupLayout {
    int rowHeight = 0;
    int visibleRows = 0;
    int firstVisible = 0;
    bool scrolling = false;
    int total = 0; // height of the visible rows
    RECT listRect; // screen rectangle of the list, margins included
};
// From the container's screen rectangle (its height 0 counts as 30).
PopupLayout LayoutPopup(const RECT& container, int count, int selected);

// Where the pop-up opens, from the container's current screen rectangle; the width includes the
// scroll bar when the list scrolls.
RECT PlacePopup(const RECT& container, const PopupLayout& layout);

// The top row that shows the selection without running past the end.
int FirstVisibleFor(int selected, int count, int visibleRows);
// A scroll request (SB_ code) applied to the top row; returns the new top row.
int ScrollFirstVisible(int first, int code, int trackPos, int rowHeight, int count, int visibleRows,
                       int scrollMax);
// The visible row whose rectangle holds the point, or -1.
int PopupRowAt(POINT p, int rowHeight, int visibleRows, int listWidth);

// City row offset text: "+5:30", "-3:30", " 0:00" ("-" only when at least an hour behind).
std::u16string CityOffsetText(int minutes);

// ---- Time picker -----------------------------------------------------------------------------

// Internet time as three picker fields: year 2000 + v / 100, hour (v % 100) / 10, minute v % 10.
void BeatsToFields(int value, dev::SystemTime& t);
int BeatsFromFields(const dev::SystemTime& t);
// The odometer carry after one field was spun.
void CarryBeatFields(dev::SystemTime& t);

// The offset mode: hours shown in the seconds field, minutes in quarter hours, a sign flag.
// The offsets the city files hold: -12:00 to +14:00.
inline constexpr int kOffsetMaxWestHours = 12;
inline constexpr int kOffsetMaxEastHours = 14;
// The hours at the end of the range on the offset's side.
constexpr int OffsetEndHours(bool negative) {
    return negative ? kOffsetMaxWestHours : kOffsetMaxEastHours;
}
struct OffsetValue {
    int hours = 0; // 0..12 west, 0..14 east, without sign
    int minutes = 0;
    bool negative = false;
};
enum class OffsetSign { Blank, Plus, Minus };
OffsetSign OffsetPictureSign(const OffsetValue& v);
const char16_t* OffsetPicture(OffsetSign sign);
// The hours field changed from `last` to `shown` (the control spins 0..59 with wrap-around).
void OffsetHoursChanged(OffsetValue& v, int last, int shown);
// The minutes field changed to `shown`; returns the quarter it snaps to.
int SnapOffsetMinutes(int shown);
// The minutes field changed to `shown`: the snapped quarter, none at either end of the range.
void OffsetMinutesChanged(OffsetValue& v, int shown);
// A typed offset is kept within the offsets of the city files, -12:00 to +14:00, and a zero
// offset has no sign.
OffsetValue TypedOffset(OffsetValue v);
// Minutes east of UTC and back.
int OffsetMinutes(const OffsetValue& v);
OffsetValue OffsetFromMinutes(int minutes);

// ---- Month calendar --------------------------------------------------------------------------

// The year lists (month calendar, year progress) run from 1913 to at least 2031 and always at
// least 20 years past the current year, so that a clock of any year finds itself in them.
inline constexpr int kFirstListedYear = 1913;
inline constexpr int kYearsListedAhead = 20;
constexpr int LastListedYear(int currentYear) {
    return currentYear + kYearsListedAhead > 2031 ? currentYear + kYearsListedAhead : 2031;
}

struct MonthGrid {
    bool sundayFirst = false;
    int firstColumn = 0; // column of the 1st
    int days = 0;
    int sundayColumn = 0;
    std::array<std::array<int, 7>, 6> cells{}; // day numbers, 0 = empty
    int rowsUsed = 0;
};
// localeFirstDayOfWeek 6 puts Sunday first; any other value Monday.
MonthGrid LayoutMonth(int year, int month, int localeFirstDayOfWeek);

// ---- Tab strip -------------------------------------------------------------------------------

inline constexpr int kTabWidth = 60;
inline constexpr int kTabHeight = 32;
int TabAt(POINT p, int tabCount);

// ---- List view -------------------------------------------------------------------------------

// A row whose parameter is this or more carries no time (a note, a stopwatch split).
inline constexpr int kNoTimeParam = 999;
// A timed row's file time kept in the first four units of its second-column text.
dev::FileTime ItemTimeFromText(std::u16string_view text);
std::u16string ItemTimeToText(dev::FileTime t);

} // namespace hv::tk
