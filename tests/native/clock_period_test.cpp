// What a write of the clock's period does to its timer.
#include <climits>

#include <gtest/gtest.h>

#include "ui/clock_period.h"

namespace qv {
namespace {

TEST(ClockPeriodWrite, NegativeIsZeroAndAnEqualValueChangesNothing) {
    const struct {
        int stored;
        bool running;
        int value;
        ClockPeriodWrite expected;
    } rows[] = {
        {0, false, 60000, {true, 60000, false, true}},       // start
        {60000, true, 60000, {false, 60000, false, false}},  // equal: countdown untouched
        {60000, true, 30000, {true, 30000, true, true}},     // restart with the new period
        {60000, true, 0, {true, 0, true, false}},            // stop
        {60000, true, -5, {true, 0, true, false}},           // negative stops as well
        {0, false, -5, {false, 0, false, false}},            // already stopped
        {0, false, 0, {false, 0, false, false}},
        {0, false, INT_MIN, {false, 0, false, false}},
        {100, false, 200, {true, 200, false, true}},  // stored but not running: no kill
    };
    for (const auto& row : rows) {
        const ClockPeriodWrite got = DecideClockPeriodWrite(row.stored, row.running, row.value);
        SCOPED_TRACE(::testing::Message() << row.stored << " " << row.running << " " << row.value);
        EXPECT_EQ(got.changed, row.expected.changed);
        EXPECT_EQ(got.period, row.expected.period);
        EXPECT_EQ(got.killTimer, row.expected.killTimer);
        EXPECT_EQ(got.setTimer, row.expected.setTimer);
    }
}

}  // namespace
}  // namespace qv
