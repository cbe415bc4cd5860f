// Text conversions at the edges of the programs and the installers' INI reader.
#include "device/ini.h"
#include "device/text.h"

#include <QString>
#include <gtest/gtest.h>

using namespace hv::dev;

TEST(DeviceText, QtStringsKeepEveryCodeUnit) {
    // A NUL, a surrogate pair and a lone surrogate.
    const std::u16string withNul(u"a\0b\U0001F30D\xD800z", 7);
    const QString q = toQString(withNul);
    ASSERT_EQ(q.size(), 7);
    EXPECT_EQ(q.at(1).unicode(), 0);
    EXPECT_EQ(q.at(5).unicode(), 0xD800);
    EXPECT_EQ(fromQString(q), withNul);
    EXPECT_TRUE(toQString(u"").isEmpty());
    EXPECT_EQ(fromQString(QString()), u"");
}

TEST(DeviceText, Utf8ReplacesWhatItCannotConvert) {
    EXPECT_EQ(toUtf8(u"Zürich"), "Z\xC3\xBCrich");
    EXPECT_EQ(toUtf8(u"\U0001F30D"), "\xF0\x9F\x8C\x8D");
    EXPECT_EQ(fromUtf8("\xF0\x9F\x8C\x8D"), u"\U0001F30D");
    // A lone surrogate has no UTF-8 form.
    EXPECT_EQ(toUtf8(std::u16string(1, char16_t(0xDC00)) + u"x"), "?x");
    // Malformed bytes never swallow the ASCII after them, nor read past the end.
    EXPECT_EQ(fromUtf8("\xFFok"), u"\uFFFDok");
    EXPECT_EQ(fromUtf8("a\xE2\x82\n"), u"a\uFFFD\uFFFD\n");
    EXPECT_EQ(fromUtf8("a\xE2\x82").substr(0, 2), u"a\uFFFD");
    EXPECT_EQ(fromUtf8(std::string_view("a\0b", 3)), std::u16string(u"a\0b", 3));
}

TEST(DeviceIni, SectionsEntriesCommentsAndBadLines) {
    const IniText ini = parseIni("; a comment\r\n"
                                 "top = before any section\r\n"
                                 "  [Application]  \r\n"
                                 "Name =  Horavel Clock \r\n"
                                 "\r\n"
                                 "Command=a=b\r\n"
                                 "no equals sign\n"
                                 "[Files]\n"
                                 "=empty key\n"
                                 "last=no line end");
    ASSERT_EQ(ini.entries.size(), 5u);
    EXPECT_EQ(ini.entries[0].section, "");
    EXPECT_EQ(ini.entries[0].value, "before any section");
    EXPECT_EQ(ini.entries[1].section, "Application");
    EXPECT_EQ(ini.entries[1].key, "Name");
    EXPECT_EQ(ini.entries[1].value, "Horavel Clock");
    EXPECT_EQ(ini.entries[2].key, "Command");
    EXPECT_EQ(ini.entries[2].value, "a=b") << "only the first '=' splits";
    EXPECT_EQ(ini.entries[3].section, "Files");
    EXPECT_EQ(ini.entries[3].key, "");
    EXPECT_EQ(ini.entries[4].value, "no line end");
    EXPECT_EQ(ini.malformedLines, 1);

    EXPECT_TRUE(parseIni("").entries.empty());
    EXPECT_EQ(parseIni("[\n]\n").malformedLines, 2) << "a lone bracket is no section";
    EXPECT_EQ(trimSpace(" \t\r\n"), "");
    EXPECT_EQ(trimSpace("\tx y\r"), "x y");
}
