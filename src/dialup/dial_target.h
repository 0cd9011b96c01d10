#pragma once
// How Dial reads its target: "@" and a position in the phonebook listing, or a phone number.
#include <cstdint>
#include <optional>

#include "base/text.h"

namespace qv {

// The listing position an "@" target names, or nothing when the target does not begin with
// "@" (it is then a phone number). After the "@": leading white space is skipped, one "+"
// or "-" is taken, then digits up to the first non-digit; no digits read as 0. Numbers
// beyond the 32-bit range saturate, so they stay out of range instead of wrapping into it.
std::optional<std::int64_t> DialPosition(const Text& target);

}  // namespace qv
