#pragma once
// Integer <-> text conversions: the settings, the commands, the "@" dial target and the
// page fetch's Content-Length all read numbers through ParseDecimalPrefix.
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

#include "base/text.h"

namespace qv {

// Decimal digits, "-" for negatives, no padding or grouping ("%d").
Text IntToText(int n);

// Folds GBK full-width digits, signs and spaces to ASCII, skips leading white space, takes
// one optional sign and the digits up to the first non-digit. No leading number gives 0; a
// number beyond the 32-bit range saturates at INT_MIN / INT_MAX.
int TextToInt(const Text& text);

// Reads a decimal number as the C library's atoi does (leading white space, one optional sign,
// digits up to the first non-digit); 0 when there is none. The magnitude saturates at `limit`
// instead of overflowing.
std::int64_t ParseDecimalPrefix(std::string_view text,
                                std::int64_t limit = std::numeric_limits<std::int64_t>::max());

// The whole of `text` (white space around it aside) as a decimal number in [low, high]: ASCII
// digits with one optional sign, nothing else; nullopt for anything else, out-of-range values
// included. For settings that must be refused, not guessed, when malformed.
std::optional<long> BoundedDecimal(std::string_view text, long low, long high);

// The full-width folding alone, for tests and callers that parse further themselves.
Text FoldFullWidth(const Text& text);

}  // namespace qv
