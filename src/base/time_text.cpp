#include "base/time_text.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace qv {

// The civil date of a day count, by the proleptic Gregorian calendar (eras of 400 years),
// without the C library's time zone or its range.
Text UtcTimeText(std::int64_t unixSeconds) {
    if (unixSeconds < 0) {
        unixSeconds = 0;
    }
    const std::int64_t days = unixSeconds / 86400;
    const std::int64_t secondOfDay = unixSeconds % 86400;
    const std::int64_t shifted = days + 719468;  // from 0000-03-01
    const std::int64_t era = shifted / 146097;
    const std::int64_t dayOfEra = shifted - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;  // March is 0
    const std::int64_t day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    const std::int64_t month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    char text[96];  // room for any int64 year the compiler can imagine
    std::snprintf(text, sizeof text, "%04lld-%02lld-%02lldT%02lld:%02lld:%02lldZ",
                  static_cast<long long>(year), static_cast<long long>(month),
                  static_cast<long long>(day), static_cast<long long>(secondOfDay / 3600),
                  static_cast<long long>(secondOfDay / 60 % 60),
                  static_cast<long long>(secondOfDay % 60));
    return text;
}

std::string IsoTimeText(int year, int month, int day, int hour, int minute, int second,
                        std::optional<int> offsetMinutes) {
    char text[96];
    const int written = std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", year,
                                      month, day, hour, minute, second);
    std::string time(text, static_cast<std::size_t>(std::max(written, 0)));
    if (!offsetMinutes) {
        return time + "Z";
    }
    const int magnitude = std::abs(*offsetMinutes);
    std::snprintf(text, sizeof text, "%c%02d:%02d", *offsetMinutes < 0 ? '-' : '+', magnitude / 60,
                  magnitude % 60);
    return time + text;
}

}  // namespace qv
