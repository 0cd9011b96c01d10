#include <climits>
#include <optional>

#include <gtest/gtest.h>

#include "base/number_text.h"

namespace qv {
namespace {

TEST(TextToInt, ReadsLeadingNumberAfterFoldingFullWidthForms) {
    const struct {
        const char* text;
        int expected;
    } rows[] = {
        {"", 0},
        {"abc", 0},
        {"42", 42},
        {"  -17xyz", -17},
        {"+8", 8},
        {"\t\r\n 5", 5},
        {"２", 2},        // full-width digit
        {"－３４", -34},  // full-width minus and digits
        {"＋７", 7},      // full-width plus
        {"　９", 9},      // ideographic space is skipped like a blank
        {"中1", 0},       // another two-byte character stops the number
        {"1２3", 123},    // mixed half- and full-width digits
        {"- 5", 0},       // no digits right after the sign
        {"--5", 0},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"2147483648", INT_MAX},  // saturates instead of overflowing
        {"-99999999999999999999", INT_MIN},
        {"99999999999999999999999", INT_MAX},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(TextToInt(row.text), row.expected) << row.text;
    }
}

TEST(FoldFullWidth, FoldsOnlyTheNamedForms) {
    EXPECT_EQ(FoldFullWidth("～"), "~");  // A1 AB
    EXPECT_EQ(FoldFullWidth("\xA1\xEE\xA1\xEF"), "**");
    EXPECT_EQ(FoldFullWidth("Ａｚ"), "Az");
    EXPECT_EQ(FoldFullWidth("宽带"), "宽带");  // unchanged two-byte characters
    EXPECT_EQ(FoldFullWidth("\xA3"), "\xA3");  // a lone lead byte at the end stays
    EXPECT_EQ(FoldFullWidth(std::string("\xA3\0"
                                        "1",
                                        3)),
              std::string("\xA3\0"
                          "1",
                          3));
}

TEST(IntToText, WritesPlainDecimal) {
    EXPECT_EQ(IntToText(0), "0");
    EXPECT_EQ(IntToText(-1), "-1");
    EXPECT_EQ(IntToText(INT_MIN), "-2147483648");
    EXPECT_EQ(IntToText(INT_MAX), "2147483647");
}

TEST(BoundedDecimal, TakesTheWholeTextOnlyWithinItsBounds) {
    const struct {
        const char* text;
        long low, high;
        std::optional<long> expected;
    } rows[] = {
        {"1", 1, 65535, 1},
        {" 65535\t", 1, 65535, 65535},
        {"+300", 10, 86400, 300},
        {"0", 1, 65535, std::nullopt},
        {"65536", 1, 65535, std::nullopt},
        {"99999999999999999999999", 1, 65535, std::nullopt},  // no overflow into range
        {"18446744073709551617", 0, 5, std::nullopt},
        {"-5", -10, -1, -5},
        {"-0", 0, 5, 0},
        {"-1", 0, 5, std::nullopt},
        {"", 0, 5, std::nullopt},
        {"+", 0, 5, std::nullopt},
        {"1 2", 0, 99, std::nullopt},
        {"12a", 0, 99, std::nullopt},
        {"0x10", 0, 99, std::nullopt},
        {"１２", 0, 99, std::nullopt},  // full-width digits are not a setting's number
        {"--1", -5, 5, std::nullopt},
        {"9223372036854775808", LONG_MIN, LONG_MAX, std::nullopt},  // 64-bit long natively
        {"-9223372036854775808", LONG_MIN, LONG_MAX, LONG_MIN},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(BoundedDecimal(row.text, row.low, row.high), row.expected) << row.text;
    }
}

}  // namespace
}  // namespace qv
