#include "device/format.h"

#include "device/device.h"

#include <QChar>
#include <algorithm>
#include <cstdio>
#include <cstring>

namespace hv::dev {

namespace {

enum class Elements { All, Date, Time };

bool isDateLetter(char16_t c) {
    return c == u'd' || c == u'M' || c == u'y' || c == u'g';
}
bool isTimeLetter(char16_t c) {
    return c == u'h' || c == u'H' || c == u'm' || c == u's' || c == u't';
}

void appendNumber(std::u16string& out, unsigned v, int width) {
    char buf[12];
    const int n = std::snprintf(buf, sizeof buf, "%0*u", width, v);
    out.append(buf, buf + n);
}

bool isWordChar(char16_t c) {
    return QChar(c).isLetter();
}
bool isSpaceChar(char16_t c) {
    return QChar(c).isSpace();
}

void trimRight(std::u16string& s, bool (*drop)(char16_t)) {
    while (!s.empty() && drop(s.back()))
        s.pop_back();
}

bool notWordChar(char16_t c) {
    return !isWordChar(c);
}

// Takes the field at `i` out of `pieces` with the literal text that belongs to it.
void dropField(std::vector<PicturePiece>& pieces, size_t i) {
    static constexpr std::u16string_view kOpen = u"([\uFF08\u3010", kClose = u")]\uFF09\u3011";
    std::u16string* before = i > 0 && !pieces[i - 1].field ? &pieces[i - 1].text : nullptr;
    std::u16string* after =
        i + 1 < pieces.size() && !pieces[i + 1].field ? &pieces[i + 1].text : nullptr;
    bool bracketed = false;
    if (before && after) {
        const size_t open = before->find_last_not_of(u' ');
        const size_t close = after->find_first_not_of(u' ');
        if (open != std::u16string::npos && close != std::u16string::npos) {
            const size_t k = kOpen.find((*before)[open]);
            if (k != std::u16string_view::npos && (*after)[close] == kClose[k]) {
                before->erase(open);
                after->erase(0, close + 1);
                bracketed = true;
            }
        }
    }
    // A unit word after the field: written against it (ja "ss秒"), or in a picture whose fields
    // all carry words (fr "mm 'min' ss 's'").
    size_t wordStart = 0, wordEnd = 0;
    if (!bracketed && after) {
        while (wordStart < after->size() && isSpaceChar((*after)[wordStart]))
            ++wordStart;
        wordEnd = wordStart;
        while (wordEnd < after->size() && !isSpaceChar((*after)[wordEnd]))
            ++wordEnd;
    }
    const bool wordBefore = before && std::any_of(before->begin(), before->end(), isWordChar);
    const bool unitWord =
        after && wordEnd > wordStart &&
        std::any_of(after->begin() + static_cast<std::ptrdiff_t>(wordStart),
                    after->begin() + static_cast<std::ptrdiff_t>(wordEnd), isWordChar) &&
        (wordStart == 0 || wordBefore);
    if (unitWord) {
        after->erase(0, wordEnd);
        if (before)
            trimRight(*before, isSpaceChar);
    } else if (before) {
        trimRight(*before, notWordChar); // the separator before the field
    } else if (after) {
        size_t n = 0;
        while (n < after->size() && !isWordChar((*after)[n]))
            ++n;
        after->erase(0, n);
    }
    pieces.erase(pieces.begin() + static_cast<std::ptrdiff_t>(i));
}

std::u16string format(const SystemTime& t, std::u16string_view picture, const LocaleData& loc,
                      bool noSeconds, Elements which) {
    // Without seconds, the seconds go with their separator or their unit word.
    const std::u16string withoutSeconds =
        noSeconds ? dropPictureField(picture, u's') : std::u16string();
    const std::u16string_view pic = noSeconds ? std::u16string_view(withoutSeconds) : picture;
    // The weekday comes from the date itself, not from the record's dayOfWeek field.
    const unsigned weekday =
        t.month >= 1 && t.month <= 12
            ? weekdayFromDays(daysFromCivil(t.year, t.month, t.day ? t.day : 1))
            : 0;
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
                                  : (dayNumberInPicture ? loc.monthNamesInDate
                                                        : loc.monthNames)[t.month - 1];
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
    }
    return out;
}

bool validForFormat(const SystemTime& t) {
    return t.month >= 1 && t.month <= 12 && t.day >= 1 &&
           t.day <= gregorianDaysInMonth(t.year, t.month) && t.hour < 24 && t.minute < 60 &&
           t.second < 60 && t.milliseconds < 1000;
}

} // namespace

std::vector<PicturePiece> splitPicture(std::u16string_view pic, std::u16string_view letters) {
    std::vector<PicturePiece> out;
    auto literal = [&]() -> std::u16string& {
        if (out.empty() || out.back().field)
            out.push_back({false, {}});
        return out.back().text;
    };
    bool quoted = false;
    for (size_t i = 0; i < pic.size();) {
        const char16_t c = pic[i];
        if (c == u'\'') {
            if (i + 1 < pic.size() && pic[i + 1] == u'\'') {
                literal() += u'\'';
                i += 2;
            } else {
                quoted = !quoted;
                ++i;
            }
            continue;
        }
        if (quoted || letters.find(c) == std::u16string_view::npos) {
            literal() += c;
            ++i;
            continue;
        }
        size_t n = 1;
        while (i + n < pic.size() && pic[i + n] == c)
            ++n;
        out.push_back({true, std::u16string(pic.substr(i, n))});
        i += n;
    }
    return out;
}

std::u16string joinPicture(const std::vector<PicturePiece>& pieces) {
    std::u16string out;
    // Runs of Latin letters are quoted ("HH 'h' mm"), a quote is doubled; the rest is copied.
    auto latin = [](char16_t c) { return c < 0x80 && isWordChar(c); };
    for (const auto& p : pieces) {
        if (p.field) {
            out += p.text;
            continue;
        }
        for (size_t i = 0; i < p.text.size();) {
            if (p.text[i] == u'\'') {
                out += u"''";
                ++i;
            } else if (latin(p.text[i])) {
                out += u'\'';
                while (i < p.text.size() && latin(p.text[i]))
                    out += p.text[i++];
                out += u'\'';
            } else {
                out += p.text[i++];
            }
        }
    }
    return out;
}

std::u16string dropPictureField(std::u16string_view picture, char16_t letter,
                                std::u16string_view letters) {
    std::vector<PicturePiece> pieces = splitPicture(picture, letters);
    for (size_t i = 0; i < pieces.size();) {
        if (pieces[i].field && pieces[i].text[0] == letter) {
            dropField(pieces, i);
            pieces = splitPicture(joinPicture(pieces), letters); // joins the literal text around it
            i = 0;
        } else {
            ++i;
        }
    }
    if (!pieces.empty() && !pieces.front().field) {
        std::u16string& s = pieces.front().text;
        size_t n = 0;
        while (n < s.size() && isSpaceChar(s[n]))
            ++n;
        s.erase(0, n);
    }
    if (!pieces.empty() && !pieces.back().field)
        trimRight(pieces.back().text, isSpaceChar);
    return joinPicture(pieces);
}

std::u16string formatPicture(const SystemTime& t, std::u16string_view picture,
                             const LocaleData& loc, bool noSeconds) {
    return format(t, picture, loc, noSeconds, Elements::All);
}

int getDateFormat(const SystemTime& t, uint32_t flags, const char16_t* picture, char16_t* buf,
                  int capacity) {
    if (!validForFormat(t))
        return 0;
    const LocaleData& loc = current().locale().data();
    const std::u16string_view pic =
        picture ? std::u16string_view(picture)
                : std::u16string_view((flags & kDateLongDate) ? loc.longDatePicture
                                                              : loc.shortDatePicture);
    return copyTerminated(format(t, pic, loc, false, Elements::Date), buf, capacity);
}

int getTimeFormat(const SystemTime& t, uint32_t flags, const char16_t* picture, char16_t* buf,
                  int capacity) {
    if (t.hour > 23 || t.minute > 59 || t.second > 59 || t.milliseconds > 999)
        return 0;
    const LocaleData& loc = current().locale().data();
    const std::u16string_view pic =
        picture ? std::u16string_view(picture) : std::u16string_view(loc.timePicture);
    return copyTerminated(format(t, pic, loc, (flags & kTimeNoSeconds) != 0, Elements::Time), buf,
                          capacity);
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
