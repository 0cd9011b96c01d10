#pragma once
// A moment as people and scripts read it.
#include <cstdint>
#include <optional>
#include <string>

#include "base/text.h"

namespace qv {

// ISO 8601 in UTC, to the second: "2026-12-09T07:13:44Z". Seconds since 1970, none before.
Text UtcTimeText(std::int64_t unixSeconds);

// "2026-12-08T14:05:09+08:00" for a local time `offsetMinutes` east of UTC; with no offset the
// time is UTC and ends in "Z".
std::string IsoTimeText(int year, int month, int day, int hour, int minute, int second,
                        std::optional<int> offsetMinutes);

}  // namespace qv
