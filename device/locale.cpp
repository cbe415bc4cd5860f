#include "device/locale.h"

#include "device/device.h"
#include "device/format.h"
#include "device/text.h"

#include <QChar>
#include <QLocale>
#include <QString>
#include <cstdlib>
#include <cstring>

namespace hv::dev {

namespace {

// Order of the day-number, month and year fields in a picture: 0 MDY, 1 DMY, 2 YMD. Day names
// (ddd, dddd) and quoted text do not count.
int fieldOrder(const std::u16string& picture) {
    size_t d = std::u16string::npos, m = d, y = d;
    bool quoted = false;
    for (size_t i = 0; i < picture.size();) {
        const char16_t c = picture[i];
        if (c == u'\'') {
            quoted = !quoted;
            ++i;
            continue;
        }
        size_t n = 1;
        while (!quoted && i + n < picture.size() && picture[i + n] == c)
            ++n;
        if (!quoted) {
            if (c == u'd' && n <= 2 && d == std::u16string::npos)
                d = i;
            else if (c == u'M' && m == std::u16string::npos)
                m = i;
            else if (c == u'y' && y == std::u16string::npos)
                y = i;
        }
        i += n;
    }
    if (y != std::u16string::npos && (m == std::u16string::npos || y < m) &&
        (d == std::u16string::npos || y < d))
        return 2;
    if (d != std::u16string::npos && m != std::u16string::npos && d < m)
        return 1;
    return 0;
}

// The pattern letters of Qt's date-time format strings (B is CLDR's day period, which Qt 6.4
// leaves in some locales' formats).
constexpr char16_t kQtLetters[] = u"dMyhHmsztAaPpB";

// Qt's date-time format strings into the handheld's picture syntax: Qt's AP/ap/A/a marker and
// the day period B become tt, and Qt's h (24-hour without a marker) becomes H. The zone (t) and
// the milliseconds (z) have no counterpart and go with the text that belongs to them.
std::u16string pictureFromQt(const QString& qt) {
    std::u16string in = fromQString(qt);
    in = dropPictureField(in, u't', kQtLetters);
    in = dropPictureField(in, u'z', kQtLetters);
    std::vector<PicturePiece> pieces = splitPicture(in, kQtLetters);
    bool marker = false;
    for (const auto& p : pieces)
        marker =
            marker || (p.field && (p.text[0] == u'A' || p.text[0] == u'a' || p.text[0] == u'B'));
    std::vector<PicturePiece> out;
    for (size_t i = 0; i < pieces.size(); ++i) {
        PicturePiece p = pieces[i];
        if (p.field) {
            const char16_t c = p.text[0];
            if (c == u'A' || c == u'a' || c == u'B') {
                p.text = u"tt";
                if (i + 1 < pieces.size() && pieces[i + 1].field &&
                    (pieces[i + 1].text[0] == u'P' || pieces[i + 1].text[0] == u'p'))
                    ++i;
            } else if (c == u'h' && !marker) {
                p.text.assign(p.text.size(), u'H');
            }
        }
        out.push_back(p);
    }
    return joinPicture(out);
}

// The picture with two-digit seconds after the minutes, when hour and minute are parted by one
// separator character (h:mm becomes h:mm:ss); pictures that write the hour and minute as words
// stay as they are.
std::u16string withSeconds(const std::u16string& picture) {
    std::vector<PicturePiece> pieces = splitPicture(picture);
    for (size_t i = 0; i < pieces.size(); ++i)
        if (pieces[i].field && pieces[i].text[0] == u's')
            return picture;
    for (size_t i = 2; i < pieces.size(); ++i) {
        const PicturePiece& sep = pieces[i - 1];
        const char16_t hour = pieces[i - 2].field ? pieces[i - 2].text[0] : 0;
        if (pieces[i].field && pieces[i].text[0] == u'm' && (hour == u'h' || hour == u'H') &&
            !sep.field && sep.text.size() == 1 && !QChar(sep.text[0]).isLetterOrNumber() &&
            !QChar(sep.text[0]).isSpace()) {
            const PicturePiece seconds{true, u"ss"};
            pieces.insert(pieces.begin() + static_cast<std::ptrdiff_t>(i) + 1, {sep, seconds});
            return joinPicture(pieces);
        }
    }
    return picture;
}

// The first run of characters between date fields of a short date picture.
std::u16string separatorOf(const std::u16string& picture) {
    std::u16string sep;
    bool started = false, quoted = false;
    for (char16_t c : picture) {
        if (c == u'\'') {
            quoted = !quoted;
            continue;
        }
        const bool field = !quoted && (c == u'd' || c == u'M' || c == u'y');
        if (field && !sep.empty())
            break;
        if (field)
            started = true;
        else if (started)
            sep += c;
    }
    return sep.empty() ? u"/" : sep;
}

std::u16string number(int v) {
    std::u16string s;
    const std::string t = std::to_string(v);
    s.assign(t.begin(), t.end());
    return s;
}

} // namespace

LocaleData LocaleData::englishUS() {
    return fromName("en_US");
}

LocaleData LocaleData::fromName(const std::string& rawName) {
    std::string name = rawName.substr(0, rawName.find_first_of(".@"));
    if (name.empty() || name == "C" || name == "POSIX")
        name = "en_US";
    const QLocale q(QString::fromStdString(name));
    LocaleData d;
    d.name = fromQString(q.name());
    for (int i = 0; i < 12; ++i) {
        d.monthNames[i] = fromQString(q.standaloneMonthName(i + 1, QLocale::LongFormat));
        d.monthNamesInDate[i] = fromQString(q.monthName(i + 1, QLocale::LongFormat));
        d.monthAbbrev[i] = fromQString(q.monthName(i + 1, QLocale::ShortFormat));
    }
    for (int i = 0; i < 7; ++i) {
        d.dayNames[i] = fromQString(q.standaloneDayName(i + 1, QLocale::LongFormat));
        d.dayAbbrev[i] = fromQString(q.dayName(i + 1, QLocale::ShortFormat));
        d.dayNarrow[i] = fromQString(q.standaloneDayName(i + 1, QLocale::NarrowFormat));
    }
    d.am = fromQString(q.amText());
    d.pm = fromQString(q.pmText());
    d.shortDatePicture = pictureFromQt(q.dateFormat(QLocale::ShortFormat));
    d.longDatePicture = pictureFromQt(q.dateFormat(QLocale::LongFormat));
    // The short time has no zone; seconds are added where the picture allows.
    d.timePicture = withSeconds(pictureFromQt(q.timeFormat(QLocale::ShortFormat)));
    // Qt's short US date has a two-digit year; the handheld's short date shows four.
    if (d.shortDatePicture.find(u"yyyy") == std::u16string::npos) {
        const size_t y = d.shortDatePicture.find(u"yy");
        if (y != std::u16string::npos)
            d.shortDatePicture.replace(y, 2, u"yyyy");
    }
    d.dateSeparator = separatorOf(d.shortDatePicture);
    const std::u16string shortTime = pictureFromQt(q.timeFormat(QLocale::ShortFormat));
    d.timeSeparator = u":";
    for (size_t i = 0; i + 1 < shortTime.size(); ++i)
        if ((shortTime[i] == u'h' || shortTime[i] == u'H') && shortTime[i + 1] != shortTime[i]) {
            d.timeSeparator = std::u16string(1, shortTime[i + 1]);
            break;
        }
    d.time24 = shortTime.find(u"tt") == std::u16string::npos ? 1 : 0;
    d.shortDateOrder = fieldOrder(d.shortDatePicture);
    d.longDateOrder = fieldOrder(d.longDatePicture);
    d.firstDayOfWeek = (static_cast<int>(q.firstDayOfWeek()) + 6) % 7;
    return d;
}

LocaleData LocaleData::fromEnvironment() {
    for (const char* var : {"LC_ALL", "LC_TIME", "LANG"})
        if (const char* v = std::getenv(var); v && *v)
            return fromName(v);
    return englishUS();
}

std::u16string LocaleData::item(LocaleItem it) const {
    const auto n = static_cast<uint32_t>(it);
    if (n >= static_cast<uint32_t>(LocaleItem::SDAYNAME1) &&
        n < static_cast<uint32_t>(LocaleItem::SDAYNAME1) + 7)
        return dayNames[n - static_cast<uint32_t>(LocaleItem::SDAYNAME1)];
    if (n >= static_cast<uint32_t>(LocaleItem::SABBREVDAYNAME1) &&
        n < static_cast<uint32_t>(LocaleItem::SABBREVDAYNAME1) + 7)
        return dayAbbrev[n - static_cast<uint32_t>(LocaleItem::SABBREVDAYNAME1)];
    if (n >= static_cast<uint32_t>(LocaleItem::SSHORTESTDAYNAME1) &&
        n < static_cast<uint32_t>(LocaleItem::SSHORTESTDAYNAME1) + 7)
        return dayNarrow[n - static_cast<uint32_t>(LocaleItem::SSHORTESTDAYNAME1)];
    if (n >= static_cast<uint32_t>(LocaleItem::SMONTHNAME1) &&
        n < static_cast<uint32_t>(LocaleItem::SMONTHNAME1) + 12)
        return monthNames[n - static_cast<uint32_t>(LocaleItem::SMONTHNAME1)];
    if (n >= static_cast<uint32_t>(LocaleItem::SABBREVMONTHNAME1) &&
        n < static_cast<uint32_t>(LocaleItem::SABBREVMONTHNAME1) + 12)
        return monthAbbrev[n - static_cast<uint32_t>(LocaleItem::SABBREVMONTHNAME1)];
    switch (it) {
    case LocaleItem::SDATE:
        return dateSeparator;
    case LocaleItem::STIME:
        return timeSeparator;
    case LocaleItem::SSHORTDATE:
        return shortDatePicture;
    case LocaleItem::SLONGDATE:
        return longDatePicture;
    case LocaleItem::STIMEFORMAT:
        return timePicture;
    case LocaleItem::IDATE:
        return number(shortDateOrder);
    case LocaleItem::ILDATE:
        return number(longDateOrder);
    case LocaleItem::ITIME:
        return number(time24);
    case LocaleItem::S1159:
        return am;
    case LocaleItem::S2359:
        return pm;
    case LocaleItem::IFIRSTDAYOFWEEK:
        return number(firstDayOfWeek);
    default:
        return {};
    }
}

int copyTerminated(std::u16string_view text, char16_t* buf, int capacity) {
    const int needed = static_cast<int>(text.size()) + 1;
    if (capacity == 0)
        return needed;
    if (!buf || capacity < needed)
        return 0;
    std::memcpy(buf, text.data(), text.size() * sizeof(char16_t));
    buf[text.size()] = 0;
    return needed;
}

int getLocaleInfo(LocaleItem item, char16_t* buf, int capacity) {
    return copyTerminated(current().locale().data().item(item), buf, capacity);
}

} // namespace hv::dev
