#include "app/redial_period.h"

#include <cstdint>
#include <limits>

namespace qv {

std::int64_t TruncateToInt64(double value) {
    // 2^63 is exactly representable; converting anything at or beyond it (or NaN) to an
    // integer is undefined, so those are settled before the cast.
    constexpr double kTwoTo63 = 9223372036854775808.0;
    if (value != value) {
        return 0;
    }
    if (value >= kTwoTo63) {
        return std::numeric_limits<std::int64_t>::max();
    }
    if (value < -kTwoTo63) {
        return std::numeric_limits<std::int64_t>::min();
    }
    return static_cast<std::int64_t>(value);
}

std::int32_t RedialPeriodMilliseconds(int intervalSeconds) {
    const std::int64_t product = TruncateToInt64(static_cast<double>(intervalSeconds) * 1000.0);
    // Modular conversions: well defined for unsigned, and two's complement for signed (C++20).
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(product));
}

}  // namespace qv
