#include "device/format.h"

#include "device/device.h"

#include <cstdio>
#include <cstring>

namespace hv::dev {

namespace {

enum class Elements { All, Date, Time };

bool isDateLetter(char16_t c) { return c == u'd' || c == u'M' || c == u'y' || c == u'g'; }
bool isTimeLetter(char16_t c) { return c == u'h' || c == u'H' || c == u'm' || c == u's' || c == u't'; }

void appendNumber(std::u16string& out, unsigned v, int width) {
    char buf[12];
    const int n = std::snprintf(buf, sizeof buf, "%0*u", width, v);
    out.append(buf, buf + n);
}

std::u16string format(const SystemTime& t, std::u16string_view pic, const LocaleData& loc, bool noSeconds,
                      Elements which) {
    // The weekday comes from the date itself, not from the record's dayOfWeek field.
    const unsigned weekday =
        t.month >= 1 && t.month <= 12 ? weekdayFromDays(daysFromCivil(t.year, t.month, t.day ? t.day : 1)) : 0;
    const unsigned mondayFirst = (weekday + 6) % 7;
    const bool dayNumberInPicture = [&] {
        bool quoted = false;
        for (size_t i = 0; i < pic.size(); ++i) {
            if (pic[i] == u'\'')
                quoted = !quoted;
            else if (!quoted && pic[i] == u'd') {
                size_t n = 1;
                while (i + n < pic.size() && pic[i + n] == u'd')
                    ++n;
                if (n <= 2)
                    return true;
                i += n - 1;
            }
        }
        return false;
    }();

    std::u16string out;
    size_t lastElementEnd = 0; // where the text after the last element starts
    bool quoted = false;
    for (size_t i = 0; i < pic.size();) {
        const char16_t c = pic[i];
        if (c == u'\'') {
            if (i + 1 < pic.size() && pic[i + 1] == u'\'') {
                out += u'\'';
                i += 2;
                continue;
            }
            quoted = !quoted;
            ++i;
            continue;
        }
        const bool element = !quoted && ((which != Elements::Time && isDateLetter(c)) ||
                                         (which != Elements::Date && isTimeLetter(c)));
        if (!element) {
            out += c;
            ++i;
            continue;
        }
        size_t n = 1;
        while (i + n < pic.size() && pic[i + n] == c)
            ++n;
        i += n;
        const int count = static_cast<int>(n);
        switch (c) {
        case u'd':
            if (count <= 2)
                appendNumber(out, t.day, count);
            else
                out += count == 3 ? loc.dayAbbrev[mondayFirst] : loc.dayNames[mondayFirst];
            break;
        case u'M':
            if (count <= 2)
                appendNumber(out, t.month, count);
            else if (t.month >= 1 && t.month <= 12)
                out += count == 3 ? loc.monthAbbrev[t.month - 1]
                                  : (dayNumberInPicture ? loc.monthNamesInDate : loc.monthNames)[t.month - 1];
            break;
        case u'y':
            if (count == 1)
                appendNumber(out, t.year % 100, 1);
            else if (count == 2)
                appendNumber(out, t.year % 100, 2);
            else
                appendNumber(out, t.year, 1);
            break;
        case u'g':
            break; // era: none in the Gregorian calendar
        case u'h':
            appendNumber(out, t.hour % 12 == 0 ? 12 : t.hour % 12, count >= 2 ? 2 : 1);
            break;
        case u'H':
            appendNumber(out, t.hour, count >= 2 ? 2 : 1);
            break;
        case u'm':
            appendNumber(out, t.minute, count >= 2 ? 2 : 1);
            break;
        case u's':
            if (noSeconds) {
                out.resize(lastElementEnd); // drop the separator before the seconds too
                continue;
            }
            appendNumber(out, t.second, count >= 2 ? 2 : 1);
            break;
        case u't': {
            const std::u16string& marker = t.hour < 12 ? loc.am : loc.pm;
            out += count == 1 ? marker.substr(0, 1) : marker;
            break;
        }
        default:
            break;
        }
        lastElementEnd = out.size();
    }
    return out;
}

bool validForFormat(const SystemTime& t) {
    return t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= gregorianDaysInMonth(t.year, t.month) &&
           t.hour < 24 && t.minute < 60 && t.second < 60 && t.milliseconds < 1000;
}


} // namespace

std::u16string formatPicture(const SystemTime& t, std::u16string_view picture, const LocaleData& loc,
                             bool noSeconds) {
    return format(t, picture, loc, noSeconds, Elements::All);
}

int getDateFormat(const SystemTime& t, uint32_t flags, const char16_t* picture, char16_t* buf, int capacity) {
    if (!validForFormat(t))
        return 0;
    const LocaleData& loc = current().locale().data();
    const std::u16string_view pic =
        picture ? std::u16string_view(picture)
                : std::u16string_view((flags & kDateLongDate) ? loc.longDatePicture : loc.shortDatePicture);
    return copyTerminated(format(t, pic, loc, false, Elements::Date), buf, capacity);
}

int getTimeFormat(const SystemTime& t, uint32_t flags, const char16_t* picture, char16_t* buf, int capacity) {
    if (t.hour > 23 || t.minute > 59 || t.second > 59 || t.milliseconds > 999)
        return 0;
    const LocaleData& loc = current().locale().data();
    const std::u16string_view pic = picture ? std::u16string_view(picture) : std::u16string_view(loc.timePicture);
    return copyTerminated(format(t, pic, loc, (flags & kTimeNoSeconds) != 0, Elements::Time), buf, capacity);
}

std::u16string dateText(const SystemTime& t, std::u16string_view picture) {
    if (!validForFormat(t))
        return {};
    return format(t, picture, current().locale().data(), false, Elements::Date);
}

std::u16string timeText(const SystemTime& t, std::u16string_view picture) {
    return format(t, picture, current().locale().data(), false, Elements::Time);
}

std::u16string systemFormatText(const SystemTime& t, SystemFormat which, const LocaleData& loc) {
    switch (which) {
    case SystemFormat::ShortDate:
        return format(t, loc.shortDatePicture, loc, false, Elements::Date);
    case SystemFormat::LongDate:
        return format(t, loc.longDatePicture, loc, false, Elements::Date);
    case SystemFormat::TimeNoSeconds:
        return format(t, loc.timePicture, loc, true, Elements::Time);
    }
    return {};
}

std::u16string systemFormatText(const SystemTime& t, SystemFormat which) {
    return systemFormatText(t, which, current().locale().data());
}

} // namespace hv::dev
