#include <climits>

#include <gtest/gtest.h>

#include "base/text_helpers.h"

namespace qv {
namespace {

// 0x81 0x41 is one GBK character whose second byte is the letter "A"; 0x81 0x5D one whose
// second byte is "]".
const Text kLeadA =
    "\x81"
    "A";
const Text kLeadBracket =
    "\x81"
    "]";

TEST(FindText, MatchesOnlyOnCharacterBoundaries) {
    const struct {
        Text text, needle;
        int start;
        bool ignoreCase;
        int expected;
    } rows[] = {
        {"abcabc", "c", 1, false, 3},
        {"abcabc", "c", 4, false, 6},
        {"abcabc", "c", 7, false, -1},  // start past the end
        {"abcabc", "c", -5, false, 3},  // start before the beginning counts from 1
        {"abcabc", "c", INT_MIN, false, 3},
        {"abcabc", "c", INT_MAX, false, -1},
        {"abc", "", 2, false, 1},  // empty needle: 1 whenever anything is left
        {"abc", "", 4, false, -1},
        {"", "", 1, false, -1},
        {"abc", "abcd", 1, false, -1},
        {"aBc", "Bc", 1, false, 2},
        {"aBc", "bC", 1, false, -1},
        {"aBc", "bC", 1, true, 2},
        {kLeadA, "A", 1, false, -1},  // "A" is the second byte of a character
        {kLeadA + "A", "A", 1, false, 3},
        {kLeadA, "a", 1, true, -1},
        {"提示提示", "示", 1, false, 3},
        {"提示提示", "示", 5, false, 7},
        {"提示提示", "示", 4, false, -1},  // a start on a second byte puts the scan out of step
        {Text("\x81\0A", 3), "A", 1, false, -1},  // a lead byte before a zero stops the scan
        {Text("a\0b", 3), "b", 1, false, 3},      // a plain zero byte does not
        {"ab\x81", "\x81", 1, false, 3},          // a high byte last in the text
    };
    for (const auto& row : rows) {
        EXPECT_EQ(FindText(row.text, row.needle, row.start, row.ignoreCase), row.expected)
            << row.text << " / " << row.needle << " from " << row.start;
    }
}

TEST(MidText, CountsBytesAndRefusesOutOfRange) {
    const struct {
        int start, count;
        Text expected;
    } rows[] = {
        {1, 4, "ab提"},    {1, 3, "ab\xCC"}, {6, 1, "\xBE"},  // bytes, not characters
        {2, 100, "b提示"}, {0, 3, ""},       {-1, 3, ""},    {INT_MIN, 3, ""},       {7, 1, ""},
        {INT_MAX, 1, ""},  {1, 0, ""},       {1, -1, ""},    {1, INT_MAX, "ab提示"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(MidText("ab提示", row.start, row.count), row.expected)
            << row.start << "," << row.count;
    }
}

TEST(ReplaceText, CountsStartAndCaseFlag) {
    const struct {
        Text text, find, replacement;
        int start, count;
        bool caseSensitive;
        Text expected;
    } rows[] = {
        {"a-a-a", "a", "xy", 1, -1, true, "xy-xy-xy"},
        {"a-a-a", "a", "xy", 1, 2, true, "xy-xy-a"},
        {"a-a-a", "a", "xy", 2, -1, true, "a-xy-xy"},  // bytes before the start are kept
        {"a-a-a", "a", "xy", 0, 1, true, "xy-a-a"},
        {"a-a-a", "a", "xy", 1, 0, true, "a-a-a"},
        {"a-a-a", "a", "xy", 6, -1, true, "a-a-a"},  // start past the end
        {"a-a-a", "", "xy", 1, -1, true, "a-a-a"},
        {"", "a", "xy", 1, -1, true, ""},
        {"A-a", "a", "", 1, -1, true, "A-"},
        {"A-a", "a", "", 1, -1, false, "-"},
        {"aaa", "aa", "b", 1, -1, true, "ba"},  // matches do not overlap
        {kLeadA + "A", "A", "z", 1, -1, true, kLeadA + "z"},
        {Text("\x81\0a", 3), "a", "z", 1, -1, true, Text("\x81\0z", 3)},
        {"\"#引号\"", kQuoteToken, "\"", 1, -1, true, "\"\"\""},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ReplaceText(row.text, row.find, row.replacement, row.start, row.count,
                              row.caseSensitive),
                  row.expected)
            << row.text << " / " << row.find << " from " << row.start << " x" << row.count;
    }
}

TEST(TextBetween, TakesTheFirstMarkedPart) {
    const struct {
        Text text, startMarker, endMarker;
        Text expected;
    } rows[] = {
        {"您的IP是：[203.0.113.7] 来自：某地", "[", "]", "203.0.113.7"},
        {"[1.1.1.1] [2.2.2.2]", "[", "]", "1.1.1.1"},
        {"[]", "[", "]", ""},
        {"no brackets", "[", "]", ""},
        {"[1.2.3.4", "[", "]", ""},
        {"]1.2.3.4[", "[", "]", ""},
        {"[ 1.2.3.4 ]", "[", "]", " 1.2.3.4 "},
        {"[" + kLeadBracket + "x]", "[", "]", kLeadBracket + "x"},  // "]" as a second byte
        {"say \"hi\" or \"bye\"", kQuoteToken, kQuoteToken, "hi"},
        {"a=\"v\";", Text("=") + kQuoteToken, Text(kQuoteToken) + ";", "v"},
        {"abc", "", "c", "ab"},
        {"abc", "a", "", ""},
        {"ab", "b", "]", ""},  // start marker last
    };
    for (const auto& row : rows) {
        EXPECT_EQ(TextBetween(row.text, row.startMarker, row.endMarker), row.expected) << row.text;
    }
}

TEST(TextBetween, HonoursStartAndIgnoreCase) {
    EXPECT_EQ(TextBetween("<a>1</a><a>2</a>", "<a>", "</a>", 2), "2");
    EXPECT_EQ(TextBetween("<B>x</b>", "<b>", "</B>"), "");
    EXPECT_EQ(TextBetween("<B>x</b>", "<b>", "</B>", 1, true), "x");
}

TEST(BodyText, StopsAtTheFirstZeroByte) {
    const struct {
        Bytes body;
        Text expected;
    } rows[] = {
        {{}, ""},
        {{'[', '1', ']'}, "[1]"},
        {{0, '[', '1', ']'}, ""},
        {{'[', '1', 0, ']'}, "[1"},
        {{0xCC, 0xE1, 0}, "\xCC\xE1"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(BodyText(row.body), row.expected);
    }
}

}  // namespace
}  // namespace qv
