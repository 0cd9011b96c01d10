// The hotkey service's modifier table and identifier range.
#include <cstdint>

#include <gtest/gtest.h>

#include "desktop/hotkey_modifiers.h"

namespace qv {
namespace {

TEST(HotkeyModifiers, CodesMapToSystemBitsAndOthersPassUnchanged) {
    const struct {
        int code;
        std::uint32_t system;
    } rows[] = {
        {0, 0},
        {1, 2},
        {2, 4},
        {3, 6},
        {4, 1},
        {5, 3},
        {6, 5},
        {7, 7},
        {8, 8},
        {0x4000, 0x4000},
        {-1, 0xFFFFFFFFu},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(SystemHotkeyModifiers(row.code), row.system) << row.code;
    }
}

TEST(HotkeyIds, IssuedRangeStartsAt33001AndEndsAtTheLastIssued) {
    EXPECT_EQ(HotkeyIdForRegistration(1), 33001);
    EXPECT_EQ(HotkeyIdForRegistration(2), 33002);
    const struct {
        std::uint64_t id;
        std::uint32_t issued;
        bool inRange;
    } rows[] = {
        {33001, 0, false},  // nothing issued yet
        {33001, 1, true},
        {33000, 1, false},
        {33002, 1, false},
        {33002, 2, true},
        {0, 2, false},
        {0x100000000ull + 33001, 2, false},             // the upper half of a 64-bit wParam counts
        {33000ull + 0xFFFFFFFFull, 0xFFFFFFFFu, true},  // no 32-bit wrap of the range end
    };
    for (const auto& row : rows) {
        EXPECT_EQ(IsIssuedHotkeyId(row.id, row.issued), row.inRange) << row.id << " " << row.issued;
    }
}

}  // namespace
}  // namespace qv
