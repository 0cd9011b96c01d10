// Timed redial's period arithmetic.
#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>

#include <gtest/gtest.h>

#include "app/redial_period.h"
#include "base/number_text.h"

namespace qv {
namespace {

TEST(RedialPeriod, IntervalTimesThousandKeepsLowThirtyTwoBitsSigned) {
    const struct {
        const char* interval;
        std::int32_t period;
    } rows[] = {
        {"60", 60000},
        {"1", 1000},
        {"0", 0},
        {"abc", 0},                // no leading number
        {"-5", -5000},             // negative: the clock takes it as 0
        {"１２", 12000},           // full-width digits count
        {"2147483", 2147483000},   // the last interval that fits
        {"2147484", -2147483296},  // 2147484000 read as signed
        {"4294967", -296},         // 4294967000 - 2^32
        {"4294968", 704},          // wraps past 2^32 into a short positive period
        {"2147483647", -1000},     // 2147483647000 mod 2^32, signed
        {"99999999999", -1000},    // TextToInt saturates at INT_MAX first
        {"-2147483648", 0},        // -2147483648000 is a multiple of 2^32
    };
    for (const auto& row : rows) {
        EXPECT_EQ(RedialPeriodMilliseconds(TextToInt(row.interval)), row.period) << row.interval;
    }
}

TEST(RedialPeriod, TruncationSaturatesInsteadOfOverflowing) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double value;
        std::int64_t expected;
    } rows[] = {
        {1.9, 1},
        {-1.9, -1},  // towards zero
        {4294967296000.0, 4294967296000},
        {9223372036854775808.0, INT64_MAX},  // 2^63 itself does not fit
        {1e300, INT64_MAX},
        {inf, INT64_MAX},
        {-9223372036854775808.0, INT64_MIN},  // -2^63 fits exactly
        {-1e300, INT64_MIN},
        {-inf, INT64_MIN},
        {std::nan(""), 0},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(TruncateToInt64(row.value), row.expected) << row.value;
    }
}

}  // namespace
}  // namespace qv
