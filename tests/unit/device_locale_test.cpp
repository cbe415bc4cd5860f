#include "device/fake.h"
#include "device/format.h"
#include "device/locale.h"
#include "device/wordsort.h"

#include <QLocale>
#include <algorithm>
#include <gtest/gtest.h>

using namespace hv::dev;

namespace {
const SystemTime kAfternoon{2024, 3, 2, 5, 13, 4, 9, 0}; // Tuesday 5 March 2024 13:04:09
const SystemTime kMorning{2024, 12, 1, 30, 0, 7, 0, 0};  // Monday 30 December 2024 00:07:00
} // namespace

TEST(Formatter, PictureElements) {
    const auto en = LocaleData::englishUS();
    EXPECT_EQ(formatPicture(kAfternoon, u"d dd ddd dddd", en), u"5 05 Tue Tuesday");
    EXPECT_EQ(formatPicture(kAfternoon, u"M MM MMM MMMM", en), u"3 03 Mar March");
    EXPECT_EQ(formatPicture(kAfternoon, u"y yy yyyy", en), u"24 24 2024");
    EXPECT_EQ(formatPicture(kAfternoon, u"h hh H HH m mm s ss t tt", en),
              u"1 01 13 13 4 04 9 09 P PM");
    EXPECT_EQ(formatPicture(kMorning, u"h:mm tt", en), u"12:07 AM");
    EXPECT_EQ(formatPicture(kMorning, u"HH':'mm' 'ss'.'", en), u"00:07 00.");
    EXPECT_EQ(formatPicture(kAfternoon, u"'@'yHm", en), u"@24134");
    EXPECT_EQ(formatPicture(kAfternoon, u"' 'ss':'mm'", en),
              u" 09:04"); // an open quote runs to the end
    EXPECT_EQ(formatPicture(kAfternoon, u"'It''s' h 'o''clock'", en), u"It's 1 o'clock");
    EXPECT_EQ(formatPicture(kAfternoon, u"h:mm:ss tt", en, true), u"1:04 PM");
}

TEST(Formatter, HandheldCallsCountTheTerminator) {
    FakeDevice fake;
    ScopedDevice use(fake);
    char16_t buf[16];
    EXPECT_EQ(getTimeFormat(kAfternoon, 0, u"HH':'mm':'ss", buf, 16), 9);
    EXPECT_EQ(std::u16string(buf), u"13:04:09");
    EXPECT_EQ(getTimeFormat(kAfternoon, kTimeNoSeconds, nullptr, buf, 16), 8);
    EXPECT_EQ(std::u16string(buf), u"1:04 PM");
    EXPECT_EQ(getDateFormat(kAfternoon, kDateShortDate, nullptr, buf, 16), 9);
    EXPECT_EQ(std::u16string(buf), u"3/5/2024");
    EXPECT_EQ(getDateFormat(kAfternoon, 0, u"MMMM", buf, 5), 0); // does not fit
    EXPECT_EQ(getDateFormat(kAfternoon, 0, u"MMMM", nullptr, 0), 6);
    SystemTime bad = kAfternoon;
    bad.day = 31;
    bad.month = 4;
    EXPECT_EQ(getDateFormat(bad, 0, u"d", buf, 16), 0);
    // Date calls leave time letters alone and time calls date letters.
    EXPECT_EQ(dateText(kAfternoon, u"dd h"), u"05 h");
    EXPECT_EQ(timeText(kAfternoon, u"H d"), u"13 d");
}

TEST(Formatter, SystemFormatsFollowTheLocale) {
    const auto de = LocaleData::fromName("de_DE");
    EXPECT_EQ(systemFormatText(kAfternoon, SystemFormat::TimeNoSeconds, de), u"13:04");
    EXPECT_EQ(systemFormatText(kAfternoon, SystemFormat::ShortDate, de), u"05.03.2024");
    EXPECT_EQ(formatPicture(kAfternoon, u"dddd, d. MMMM yyyy", de), u"Dienstag, 5. März 2024");
    const auto us = LocaleData::fromName("en_US.UTF-8");
    EXPECT_EQ(systemFormatText(kAfternoon, SystemFormat::LongDate, us), u"Tuesday, March 5, 2024");
    EXPECT_EQ(systemFormatText(kAfternoon, SystemFormat::ShortDate, us), u"3/5/2024");
}

TEST(Formatter, DroppedFieldsTakeTheirOwnText) {
    EXPECT_EQ(dropPictureField(u"h:mm:ss tt", u's'), u"h:mm tt");
    EXPECT_EQ(dropPictureField(u"H時mm分ss秒", u's'), u"H時mm分");
    EXPECT_EQ(dropPictureField(u"tt h시 m분 s초", u's'), u"tt h시 m분");
    EXPECT_EQ(dropPictureField(u"HH 'h' mm 'min' ss 's'", u's'), u"HH 'h' mm 'min'");
    EXPECT_EQ(dropPictureField(u"HH:mm:ss 'Uhr'", u's'), u"HH:mm 'Uhr'");
    EXPECT_EQ(dropPictureField(u"HH:mm", u's'), u"HH:mm");
    // Qt's zone field with its brackets, comma or space, in Qt's letters.
    const std::u16string_view qt = u"dMyhHmsztAaPpB";
    EXPECT_EQ(dropPictureField(u"H:mm:ss (t)", u't', qt), u"H:mm:ss");
    EXPECT_EQ(dropPictureField(u"Bh:mm:ss [t]", u't', qt), u"Bh:mm:ss");
    EXPECT_EQ(dropPictureField(u"h:mm:ss AP, t", u't', qt), u"h:mm:ss AP");
    EXPECT_EQ(dropPictureField(u"t HH:mm:ss", u't', qt), u"HH:mm:ss");
    EXPECT_EQ(dropPictureField(u"HH 'h' mm 'min' ss 's' t", u't', qt), u"HH 'h' mm 'min' ss 's'");
}

// The system time of every locale Qt knows, at 13:05:07: the hour and minute and nothing else
// from the record, no brackets left empty, no pattern letters shown as text.
TEST(Formatter, SystemTimeInEveryLocale) {
    const SystemTime t{2024, 6, 0, 9, 13, 5, 7, 0};
    const std::pair<const char*, std::u16string_view> kNamed[] = {
        {"es_ES", u"13:05"},           {"zh_TW", u"下午1:05"}, {"ja_JP", u"13:05"},
        {"ko_KR", u"오후 1:05"},       {"fr_CA", u"13 h 05"},  {"zh_CN", u"13:05"},
        {"sq_AL", u"1:05 e pasdites"}, {"en_US", u"1:05 PM"},  {"de_DE", u"13:05"}};
    for (const auto& [name, text] : kNamed)
        EXPECT_EQ(systemFormatText(t, SystemFormat::TimeNoSeconds, LocaleData::fromName(name)),
                  text)
            << name;
    EXPECT_EQ(
        formatPicture(t, LocaleData::fromName("ja_JP").timePicture, LocaleData::fromName("ja_JP")),
        u"13:05:07");

    const auto all =
        QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
    ASSERT_GT(all.size(), 100);
    for (const QLocale& q : all) {
        const std::string name = q.name().toStdString();
        const LocaleData loc = LocaleData::fromName(name);
        const std::u16string text = systemFormatText(t, SystemFormat::TimeNoSeconds, loc);
        const std::u16string full = formatPicture(t, loc.timePicture, loc);
        auto digits = [](const std::u16string& s) {
            std::string d;
            for (char16_t c : s)
                if (c >= u'0' && c <= u'9')
                    d += static_cast<char>(c);
            return d;
        };
        const bool twelve = loc.time24 == 0;
        // 12-hour locales may pad the hour (gu_IN "hh:mm").
        const std::string hm = digits(text);
        // and some write the minute unpadded (yo_NG "H:m").
        EXPECT_TRUE(twelve ? hm == "105" || hm == "0105" : hm == "1305" || hm == "135")
            << name << ' ' << hm;
        EXPECT_TRUE(digits(full) == hm || digits(full) == hm + "07") << name;
        ASSERT_FALSE(text.empty()) << name;
        EXPECT_FALSE(text.front() == u' ' || text.back() == u' ' || text.back() == u',') << name;
        std::u16string squeezed;
        for (char16_t c : text)
            if (c != u' ' && c != u' ' && c != u' ')
                squeezed += c;
        for (std::u16string_view empty : {u"()", u"[]", u"（）"})
            EXPECT_EQ(squeezed.find(empty), std::u16string::npos) << name;
        for (char16_t secondsWord : {u'秒', u'초'})
            EXPECT_EQ(text.find(secondsWord), std::u16string::npos) << name;
        // Latin letters only from the AM/PM marker or from text the locale quotes.
        std::u16string rest = text;
        for (const std::u16string& marker : {loc.am, loc.pm})
            if (!marker.empty())
                if (const size_t at = rest.find(marker); at != std::u16string::npos)
                    rest.erase(at, marker.size());
        std::u16string quoted;
        bool inQuote = false;
        for (QChar c : q.timeFormat(QLocale::ShortFormat)) {
            if (c == u'\'')
                inQuote = !inQuote;
            else if (inQuote)
                quoted += c.unicode();
        }
        for (char16_t c : rest) {
            if (c < 0x80 && std::isalpha(static_cast<int>(c))) {
                EXPECT_NE(quoted.find(c), std::u16string::npos) << name << " shows " << char(c);
            }
        }
    }
}

TEST(Locale, ItemsFromQtLocales) {
    const auto us = LocaleData::fromName("en_US");
    EXPECT_EQ(us.item(LocaleItem::ITIME), u"0");
    EXPECT_EQ(us.item(LocaleItem::IDATE), u"0");
    EXPECT_EQ(us.item(LocaleItem::IFIRSTDAYOFWEEK), u"6");
    EXPECT_EQ(us.item(LocaleItem::SDATE), u"/");
    EXPECT_EQ(us.item(LocaleItem::SDAYNAME1), u"Monday");
    EXPECT_EQ(us.item(LocaleItem::SABBREVDAYNAME7), u"Sun");
    EXPECT_EQ(us.item(LocaleItem::SMONTHNAME12), u"December");
    const auto de = LocaleData::fromName("de_DE");
    EXPECT_EQ(de.item(LocaleItem::ITIME), u"1");
    EXPECT_EQ(de.item(LocaleItem::IDATE), u"1");
    EXPECT_EQ(de.item(LocaleItem::ILDATE), u"1");
    EXPECT_EQ(de.item(LocaleItem::IFIRSTDAYOFWEEK), u"0");
    EXPECT_EQ(de.item(LocaleItem::SDATE), u".");
    const auto jp = LocaleData::fromName("ja_JP");
    EXPECT_EQ(jp.item(LocaleItem::IDATE), u"2");
    const auto c = LocaleData::fromName("C");
    EXPECT_EQ(c.item(LocaleItem::SMONTHNAME1), u"January");
}

TEST(Locale, GetLocaleInfoHonoursTheBuffer) {
    FakeDevice fake;
    ScopedDevice use(fake);
    char16_t buf[3];
    EXPECT_EQ(getLocaleInfo(LocaleItem::ITIME, buf, 3), 2);
    EXPECT_EQ(buf[0], u'0');
    EXPECT_EQ(getLocaleInfo(LocaleItem::SMONTHNAME1, buf, 3), 0); // "January" does not fit
    EXPECT_EQ(getLocaleInfo(LocaleItem::SMONTHNAME1, nullptr, 0), 8);
}

TEST(WordSort, HyphenIgnoredPunctuationFirstCaseFree) {
    EXPECT_GT(compareWordSort(u"St-Peterburg", u"Stockholm"), 0);
    EXPECT_LT(compareWordSort(u"Stockholm", u"St-Peterburg"), 0);
    EXPECT_EQ(compareWordSort(u"paris", u"PARIS"), 0);
    EXPECT_LT(compareWordSort(u"coop", u"co-op"), 0);      // only the hyphen differs
    EXPECT_LT(compareWordSort(u"New York", u"Newark"), 0); // space before letters
    EXPECT_LT(compareWordSort(u"Abc1", u"Abca"), 0);       // digits before letters
    EXPECT_LT(compareWordSort(u"O'Higgins", u"Oslo"), 0);  // apostrophe ignored: "OHiggins"
    EXPECT_LT(compareWordSort(u"Zurich", u"Zürich"), 0);   // accent after the bare letter
    EXPECT_LT(compareWordSort(u"Zürich", u"Zwolle"), 0);
    EXPECT_LT(compareWordSort(u"Rome", u"Rome City"), 0);

    std::vector<std::u16string> names = {u"Stockholm", u"St-Peterburg", u"Sofia", u"Skopje",
                                         u"Split"};
    std::sort(names.begin(), names.end(),
              [](const auto& a, const auto& b) { return compareWordSort(a, b) < 0; });
    EXPECT_EQ(names, (std::vector<std::u16string>{u"Skopje", u"Sofia", u"Split", u"Stockholm",
                                                  u"St-Peterburg"}));
}
