// Wide text: bounded copies, comparisons, allocated joins and the number
// readers used for literals and configuration values.

#include "base/Memory.h"
#include "base/WideText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>

namespace vorlan {
namespace {

TEST(WideText, BoundedCopyAndAppendStopAtMax) {
    struct Row {
        const char16_t* start;  // nullptr: copy rather than append
        const char16_t* text;
        uint16_t max;
        std::u16string expected;
    };
    const Row rows[] = {
        {nullptr, u"abcdefg", 7, u"abcdefg"}, {nullptr, u"abcdefgh", 7, u"abcdefg"}, {nullptr, nullptr, 7, u""},
        {u"abcdefg", u"xyz", 7, u"abcdefg"},  {u"abc", u"defghij", 5, u"abcde"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "row " << (&row - rows));
        // A sentinel one place past the last the bound allows.
        char16_t buffer[9];
        std::fill(std::begin(buffer), std::end(buffer), u'#');
        if (row.start) {
            WideCopy(buffer, row.start, 8);
            WideAppend(buffer, row.text, row.max);
        } else {
            WideCopy(buffer, row.text, row.max);
        }
        EXPECT_EQ(std::u16string(buffer), row.expected);
        if (row.max == 7) { EXPECT_EQ(buffer[8], u'#'); }
    }
}

TEST(WideText, PrefixAndEquality) {
    struct Row {
        const char16_t* a;
        const char16_t* b;
        bool prefix;  // a is a prefix of b
        bool equal;
        bool equalNoCase;
    };
    // Only ASCII letters fold: accented capitals, and punctuation 32 apart
    // as letters are, stay distinct.
    const Row rows[] = {
        {u"b", u"bar", true, false, false},   {u"b", u"b", true, true, true},
        {u"", u"bar", true, false, false},    {u"", u"", true, true, true},
        {u"bar", u"b", false, false, false},  {u"BAR", u"bar", false, false, true},
        {u"Ab1", u"aB1", false, false, true}, {u"\u00C9", u"\u00E9", false, false, false},
        {u"[", u"{", false, false, false},    {u"@", u"`", false, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "row " << (&row - rows));
        EXPECT_EQ(WideIsPrefix(row.a, row.b), row.prefix);
        EXPECT_EQ(WideEqual(row.a, row.b), row.equal);
        EXPECT_EQ(WideEqualNoCase(row.a, row.b), row.equalNoCase);
    }
}

TEST(WideText, NarrowToWideWidensBytesAndRefusesLongText) {
    char16_t buffer[6];
    EXPECT_TRUE(NarrowToWide("abc\xE9\xFF", buffer, 5));
    EXPECT_EQ(std::u16string(buffer), u"abc\u00E9\u00FF");

    buffer[0] = u'x';
    EXPECT_FALSE(NarrowToWide("abcdef", buffer, 5));
    EXPECT_EQ(buffer[0], 0);
}

TEST(WideText, AllocatedAppendCopiesThenJoinsAndReleasesTheOld) {
    const uint32_t start = MemLiveCount();
    char16_t* text = nullptr;
    ASSERT_TRUE(WideAppendAllocated(&text, u"abc"));
    EXPECT_EQ(std::u16string(text), u"abc");
    ASSERT_TRUE(WideAppendAllocated(&text, u"de"));
    EXPECT_EQ(std::u16string(text), u"abcde");
    EXPECT_EQ(MemLiveCount(), start + 1);  // the first text went when the second came
    MemRelease(text);
    EXPECT_EQ(MemLiveCount(), start);
}

TEST(WideText, DigitValueAndDigitCharAgree) {
    for (int value = 0; value < 36; ++value) EXPECT_EQ(DigitValue(DigitChar(value)), value) << value;
    EXPECT_EQ(DigitChar(35), u'Z');
    // The neighbours of the digit and capital ranges, and small letters.
    for (char16_t c : {u'/', u':', u'@', u'[', u'a', u'z', u'\u00C0'}) EXPECT_EQ(DigitValue(c), -1) << int(c);
}

TEST(WideText, ReadRadix) {
    struct Row {
        const char16_t* text;
        bool ok;
        int32_t value;
    };
    const Row rows[] = {
        {u"FF#16", true, 255}, {u"777#8", true, 511}, {u"101#2", true, 5}, {u"Z#36", true, 35},
        {u"123", true, 123}, {u"7#08", true, 7}, {u"3FFFFFFF#16", true, 0x3FFFFFFF},
        {u"40000000#16", false, 0}, {u"1073741824", false, 0}, {u"ff#16", false, 0}, {u"19#8", false, 0},
        {u"12#", false, 0}, {u"#16", false, 0}, {u"1#37", false, 0}, {u"1#0", false, 0}, {u"A", false, 0},
        {u"", false, 0}, {u"1#2#3", false, 0}, {u"1#1A", false, 0}, {u"-1", false, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "row " << (&row - rows));
        int32_t value = -1;
        EXPECT_EQ(ReadRadix(row.text, &value), row.ok);
        if (row.ok) { EXPECT_EQ(value, row.value); }
    }
}

TEST(WideText, ReadDecimal) {
    struct Row {
        const char16_t* text;
        bool ok;
        int64_t value;
    };
    const Row rows[] = {
        {u"-12", true, -12}, {u"0", true, 0}, {u"007", true, 7}, {u"2415919103", true, 2415919103},
        {u"-2415919103", true, -2415919103}, {u"2415919104", false, 0}, {u"99999999999999999999999", false, 0},
        {u"", false, 0}, {u"-", false, 0}, {u"12a", false, 0}, {u"+1", false, 0}, {u" 1", false, 0},
        {u"1 ", false, 0}, {u"--1", false, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "row " << (&row - rows));
        int64_t value = -99;
        EXPECT_EQ(ReadDecimal(row.text, &value), row.ok);
        if (row.ok) { EXPECT_EQ(value, row.value); }
    }
}

}  // namespace
}  // namespace vorlan
