#pragma once
// Integer <-> text conversions used by the settings and the commands.
#include "app/text.h"

namespace qv {

// Decimal digits, "-" for negatives, no padding or grouping ("%d").
Text IntToText(int n);

// Folds GBK full-width digits, signs and spaces to ASCII, skips leading white space, takes
// one optional sign and the digits up to the first non-digit. No leading number gives 0; a
// number beyond the 32-bit range saturates at INT_MIN / INT_MAX.
int TextToInt(const Text& text);

// The full-width folding alone, for tests and callers that parse further themselves.
Text FoldFullWidth(const Text& text);

}  // namespace qv
