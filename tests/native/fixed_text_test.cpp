#include <cstring>

#include <gtest/gtest.h>

#include "base/fixed_text.h"

namespace qv {
namespace {

TEST(CopyToField, CutsToCapacityWithoutSplittingTwoByteCharacters) {
    const struct {
        std::string text;
        std::size_t capacity;
        std::string expected;
    } rows[] = {
        {"", 4, ""},
        {"abc", 4, "abc"},      // fits exactly with its zero
        {"abcd", 4, "abc"},     // one too long: cut
        {"ab提示", 5, "ab提"},  // 4 bytes of room: "ab" + one character
        {"ab提示", 4, "ab"},    // 3 bytes of room would split 提: cut before it
        {"a提示", 4, "a提"},
        {std::string(300, 'x'), 256, std::string(255, 'x')},
        {std::string(62, 'x') + "提", 64, std::string(62, 'x')},  // 63rd byte is a lead byte
        {std::string("ab\0cd", 5), 8, "ab"},  // the system reads up to the first zero
    };
    for (const auto& row : rows) {
        char field[512];
        std::memset(field, '#', sizeof field);
        const std::size_t copied = CopyToField(field, row.capacity, row.text);
        EXPECT_EQ(std::string(field), row.expected) << row.text << " / " << row.capacity;
        EXPECT_EQ(copied, row.expected.size());
        EXPECT_EQ(field[row.capacity], '#') << "wrote past the field";
    }
}

TEST(CopyToField, ArrayOverloadUsesTheArraySize) {
    char field[8];
    CopyToField(field, "0123456789");
    EXPECT_STREQ(field, "0123456");
}

}  // namespace
}  // namespace qv
