#include <string>

#include <gtest/gtest.h>

#include "base/text.h"

namespace qv {
namespace {

// The text convention's two-byte rule, and the narrower pair the markup reader needs.
TEST(CharacterRules, LeadBytesAndGbkPairs) {
    const struct {
        std::string bytes;
        bool lead;
        bool gbkPair;
    } rows[] = {
        {"\xD6\xD0", true, true},                  // 中
        {"\x9C\x5C", true, true},                  // 淺: a backslash byte as the second byte
        {"\x80\x41", true, false},                 // 0x80 leads by the convention, is no GBK lead
        {"\xB0\x3C", true, false},                 // a '<' after a high byte stays a delimiter
        {"\xB0", false, false},                    // a high byte at the end
        {std::string("\xB0\0", 2), false, false},  // a high byte before a zero
        {"A\xB0", false, false},                   // an ASCII byte
    };
    for (const auto& row : rows) {
        EXPECT_EQ(IsLeadByte(row.bytes, 0), row.lead) << row.bytes;
        EXPECT_EQ(IsGbkPair(row.bytes, 0), row.gbkPair) << row.bytes;
    }
}

}  // namespace
}  // namespace qv
