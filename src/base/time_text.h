#pragma once
// A moment as people and scripts read it.
#include <cstdint>

#include "base/text.h"

namespace qv {

// ISO 8601 in UTC, to the second: "2026-12-09T07:13:44Z". Seconds since 1970, none before.
Text UtcTimeText(std::int64_t unixSeconds);

}  // namespace qv
