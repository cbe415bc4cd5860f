#include "toolkit/controls/controlrules.h"

#include "calendar/calendar.h"

#include <algorithm>
#include <cstdlib>

namespace hv::tk {

// ---- String lists ----------------------------------------------------------------------------

ParsedList ParseList(std::u16string_view list) {
    ParsedList out;
    for (size_t i = 1; i < list.size(); ++i) {
        if (list[i] == u'.')
            break;
        if (list[i] == u'\\') {
            out.ends.push_back(static_cast<int>(i));
            ++out.count;
        }
    }
    // A list whose first character is the full stop is empty.
    if (!list.empty() && list[0] == u'.') {
        out.ends.clear();
        out.count = 0;
    }
    return out;
}

std::u16string_view ListItem(std::u16string_view list, const ParsedList& parsed, int index) {
    if (index < 0 || index >= parsed.count)
        return {};
    const size_t end = static_cast<size_t>(parsed.ends[static_cast<size_t>(index)]);
    const size_t start =
        index == 0 ? 0 : static_cast<size_t>(parsed.ends[static_cast<size_t>(index - 1)]) + 1;
    if (end > list.size() || start > end)
        return {};
    return list.substr(start, end - start);
}

std::u16string BuildNumberList(int from, int to, int step) {
    std::u16string s;
    if (step > 0) {
        for (int64_t v = from; v <= to; v += step) {
            for (char c : std::to_string(v))
                s += static_cast<char16_t>(c);
            s += u'\\';
        }
    }
    s += u'.';
    return s;
}

// ---- Drop-down list pop-up ---------------------------------------------------------------------

PopupLayout LayoutPopup(const RECT& container, int count, int selected) {
    PopupLayout l;
    RECT box = container;
    if (box.bottom <= box.top)
        box.bottom = box.top + 30;
    l.rowHeight = box.bottom - box.top;
    count = std::max(count, 0);
    l.visibleRows = count;
    l.total = l.rowHeight * count;
    if (l.total > kListMaxHeight) {
        l.visibleRows = kListMaxHeight / l.rowHeight;
        l.total = l.visibleRows * l.rowHeight;
        l.firstVisible = FirstVisibleFor(selected, count, l.visibleRows);
        l.scrolling = true;
    }
    int top = box.top - kListShiftUp;
    if (top + l.total >= kListBottomLimit + 1)
        top = kListBottomLimit - l.total;
    l.listRect = {box.left + kArrowColumn, top, box.right, top + l.total + 2 * kListMargin};
    return l;
}

RECT PlacePopup(const RECT& container, const PopupLayout& layout) {
    int top = container.top - kPopupShiftUp;
    int left = container.left + kArrowColumn;
    int width = layout.listRect.width();
    const int height = layout.total + 2 * kListMargin;
    if (top + height > kListBottomLimit)
        top = kListBottomLimit - height;
    if (top < 0)
        top = 0;
    const int rightLimit = layout.scrolling ? kListRightLimitScrolling : kListRightLimit;
    if (left + width > rightLimit)
        left = rightLimit - width;
    if (left < 0)
        left = 0;
    if (layout.scrolling)
        width += kPopupScrollBar;
    return {left, top, left + width, top + height};
}

int FirstVisibleFor(int selected, int count, int visibleRows) {
    const int last = std::max(0, count - visibleRows);
    return std::clamp(selected, 0, last);
}

int ScrollFirstVisible(int first, int code, int trackPos, int rowHeight, int count, int visibleRows,
                       int scrollMax) {
    int next = first;
    switch (code) {
    case SB_LINEUP:
        next = first - 1;
        break;
    case SB_LINEDOWN:
        next = first + 1;
        break;
    case SB_PAGEUP:
        next = first - visibleRows;
        break;
    case SB_PAGEDOWN:
        next = first + visibleRows;
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
        next = rowHeight > 0 ? std::min(trackPos, scrollMax) / rowHeight : first;
        break;
    case SB_TOP:
        next = 0;
        break;
    case SB_BOTTOM:
        next = count;
        break;
    default:
        break;
    }
    return std::clamp(next, 0, std::max(0, count - visibleRows));
}

int PopupRowAt(POINT p, int rowHeight, int visibleRows, int listWidth) {
    if (rowHeight <= 0 || p.x < 2 || p.x >= listWidth - 6 || p.y < 2)
        return -1;
    const int r = (p.y - 2) / rowHeight;
    return r < visibleRows ? r : -1;
}

std::u16string CityOffsetText(int minutes) {
    std::u16string s;
    s += minutes > 0 ? u'+' : minutes < 0 ? u'-' : u' ';
    const int a = std::abs(minutes);
    for (char c : std::to_string(a / 60))
        s += static_cast<char16_t>(c);
    s += u':';
    s += static_cast<char16_t>(u'0' + (a % 60) / 10);
    s += static_cast<char16_t>(u'0' + a % 10);
    return s;
}

// ---- Time picker -----------------------------------------------------------------------------

void BeatsToFields(int value, dev::SystemTime& t) {
    value = std::clamp(value, 0, 999);
    t.year = static_cast<uint16_t>(2000 + value / 100);
    t.hour = static_cast<uint16_t>((value % 100) / 10);
    t.minute = static_cast<uint16_t>(value % 10);
    t.second = 0;
    t.milliseconds = 0;
}

int BeatsFromFields(const dev::SystemTime& t) {
    return (static_cast<int>(t.year) - 2000) * 100 + t.hour * 10 + t.minute;
}

void CarryBeatFields(dev::SystemTime& t) {
    int year = t.year, hour = t.hour, minute = t.minute;
    if (minute == 10) {
        minute = 0;
        ++hour;
    } else if (minute == 59) {
        minute = 9;
        --hour;
    }
    if (hour == 10) {
        hour = 0;
        ++year;
    } else if (hour >= 11 || hour < 0) {
        hour = 9;
        --year;
    }
    if (year >= 2010)
        year = 2000;
    else if (year < 2000)
        year = 2009;
    // A digit typed in rather than spun stays a digit.
    minute = std::clamp(minute, 0, 9);
    t.year = static_cast<uint16_t>(year);
    t.hour = static_cast<uint16_t>(hour);
    t.minute = static_cast<uint16_t>(minute);
}

OffsetSign OffsetPictureSign(const OffsetValue& v) {
    if (v.hours == 0 && v.minutes == 0)
        return OffsetSign::Blank;
    return v.negative ? OffsetSign::Minus : OffsetSign::Plus;
}

const char16_t* OffsetPicture(OffsetSign sign) {
    switch (sign) {
    case OffsetSign::Plus:
        return u"'+'ss':'mm'";
    case OffsetSign::Minus:
        return u"'-'ss':'mm'";
    default:
        return u"' 'ss':'mm'";
    }
}

void OffsetHoursChanged(OffsetValue& v, int last, int shown) {
    int value = shown;
    if (shown == 59 && !v.negative) {
        v.negative = true;
        value = 1;
    } else if (v.negative) {
        // The up arrow always moves toward plus.
        if (shown > last)
            value = last - 1;
        else if (shown < last)
            value = last + 1;
    }
    if (value <= 0) {
        value = 0;
        v.negative = false;
    } else if (!v.negative && value > kOffsetMaxEastHours) {
        // Past +14:00 the next step is -12:00, and back: every offset stays reachable.
        value = kOffsetMaxWestHours;
        v.negative = true;
    } else if (v.negative && value > kOffsetMaxWestHours) {
        value = kOffsetMaxEastHours;
        v.negative = false;
    }
    v.hours = value;
    // The ends of the range carry no minutes.
    if (value == OffsetEndHours(v.negative))
        v.minutes = 0;
}

int SnapOffsetMinutes(int shown) {
    switch (shown) {
    case 1:
    case 29:
        return 15;
    case 16:
    case 44:
        return 30;
    case 31:
    case 59:
        return 45;
    case 46:
    case 14:
        return 0;
    default:
        break;
    }
    // Anything else goes to the nearest quarter.
    const int q = ((std::clamp(shown, 0, 59) + 7) / 15) * 15;
    return q == 60 ? 45 : q;
}

void OffsetMinutesChanged(OffsetValue& v, int shown) {
    v.minutes = SnapOffsetMinutes(shown);
    if (v.hours == OffsetEndHours(v.negative))
        v.minutes = 0;
}

OffsetValue TypedOffset(OffsetValue v) {
    const int maxMinutes = OffsetEndHours(v.negative) * 60;
    const int m = std::min(v.hours * 60 + v.minutes, maxMinutes);
    v.hours = m / 60;
    v.minutes = m % 60;
    if (m == 0)
        v.negative = false;
    return v;
}

int OffsetMinutes(const OffsetValue& v) {
    const int m = v.hours * 60 + v.minutes;
    return v.negative ? -m : m;
}

OffsetValue OffsetFromMinutes(int minutes) {
    OffsetValue v;
    minutes = std::clamp(minutes, -kOffsetMaxWestHours * 60, kOffsetMaxEastHours * 60);
    v.negative = minutes < 0;
    const int a = std::abs(minutes);
    v.hours = a / 60;
    v.minutes = SnapOffsetMinutes(a % 60);
    if (v.hours == 0 && v.minutes == 0)
        v.negative = false;
    return v;
}

// ---- Month calendar --------------------------------------------------------------------------

MonthGrid LayoutMonth(int year, int month, int localeFirstDayOfWeek) {
    MonthGrid g;
    if (month < 1 || month > 12 || year < 1 || year > 9999)
        return g;
    g.sundayFirst = localeFirstDayOfWeek == 6;
    const int dow = DayOfWeek(static_cast<uint16_t>(year), static_cast<uint8_t>(month), 1);
    g.firstColumn = g.sundayFirst ? (dow + 1) % 7 : dow;
    g.sundayColumn = g.sundayFirst ? 0 : 6;
    g.days = DaysInMonth(static_cast<uint8_t>(month), static_cast<uint16_t>(year));
    int row = 0, col = g.firstColumn;
    for (int d = 1; d <= g.days && row < 6; ++d) {
        g.cells[static_cast<size_t>(row)][static_cast<size_t>(col)] = d;
        g.rowsUsed = row + 1;
        if (++col == 7) {
            col = 0;
            ++row;
        }
    }
    return g;
}

// ---- Tab strip -------------------------------------------------------------------------------

int TabAt(POINT p, int tabCount) {
    if (p.y < 0 || p.y >= kTabHeight || p.x < 0)
        return -1;
    const int i = p.x / kTabWidth;
    return i < tabCount ? i : -1;
}

// ---- List view -------------------------------------------------------------------------------

dev::FileTime ItemTimeFromText(std::u16string_view text) {
    dev::FileTime t = 0;
    for (size_t i = 0; i < 4; ++i) {
        const uint64_t unit = i < text.size() ? static_cast<uint16_t>(text[i]) : 0;
        t |= unit << (16 * i);
    }
    return t;
}

std::u16string ItemTimeToText(dev::FileTime t) {
    std::u16string s(4, u'\0');
    for (size_t i = 0; i < 4; ++i)
        s[i] = static_cast<char16_t>((t >> (16 * i)) & 0xffff);
    return s;
}

} // namespace hv::tk
