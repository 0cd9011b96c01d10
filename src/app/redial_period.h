#pragma once
// The clock period for a timed-redial interval.
#include <cstdint>

namespace qv {

// seconds × 1000 formed in double precision, truncated towards zero to 64 bits, and the low
// 32 bits of that read as a signed number: an interval too long for 32 bits wraps, and one
// that wraps to a negative value leaves the clock stopped.
std::int32_t RedialPeriodMilliseconds(int intervalSeconds);

// The double-to-64-bit step on its own. Out-of-range values saturate instead of being
// undefined behaviour, and NaN gives 0.
std::int64_t TruncateToInt64(double value);

}  // namespace qv
