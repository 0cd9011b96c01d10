#include <gtest/gtest.h>

#include <optional>

#include "dialup/dial_target.h"
#include "dialup/ras_records.h"

namespace {

TEST(DialPosition, ReadsTheNumberAfterTheAtSign) {
    const struct {
        const char* target;
        std::int64_t position;
    } rows[] = {
        {"@", 0},
        {"@0", 0},
        {"@2", 2},
        {"@ 2abc", 2},
        {"@2x5", 2},
        {"@\t\n\v\f\r 7", 7},
        {"@+3", 3},
        {"@-1", -1},
        {"@-0", 0},
        {"@- 1", 0},  // a sign must be followed by the digits
        {"@+-1", 0},  // one sign only
        {"@12 34", 12},
        {"@abc", 0},
        {"@00010", 10},
        {"@2147483647", 2147483647},
        {"@2147483648", 2147483648},
        {"@4294967297", 2147483648},
        {"@99999999999999999999", 2147483648},  // saturates: never wraps into range
        {"@-99999999999999999999", -2147483648},
        {"@４", 0},  // full-width digits are not digits here
    };
    for (const auto& row : rows) {
        const auto position = qv::DialPosition(row.target);
        ASSERT_TRUE(position.has_value()) << row.target;
        EXPECT_EQ(*position, row.position) << row.target;
    }
}

TEST(DialPosition, TargetsWithoutTheAtSignArePhoneNumbers) {
    for (const char* target : {"", "16300", " @1", "１@2", "95511@"}) {
        EXPECT_EQ(qv::DialPosition(target), std::nullopt) << target;
    }
}

TEST(DialPosition, StopsAtAnEmbeddedZeroByte) {
    EXPECT_EQ(qv::DialPosition(std::string("@1\0"
                                           "5",
                                           4)),
              1);
}

TEST(FieldText, StopsAtTheZeroOrTheFieldsEnd) {
    char field[5] = {'a', 'b', '\0', 'c', 'd'};
    EXPECT_EQ(qv::FieldText(field), "ab");
    char full[4] = {'w', 'x', 'y', 'z'};
    EXPECT_EQ(qv::FieldText(full), "wxyz");
}

}  // namespace
