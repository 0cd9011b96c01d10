#pragma once
// Copies texts into the fixed character fields of system records.
#include <cstddef>

#include "base/text.h"

namespace qv {

// Copies `text` into `field` (capacity bytes), always zero-terminated. A text that does not
// fit is cut to capacity - 1 bytes, one byte earlier when the cut would split a two-byte
// GBK character. Returns the number of bytes copied (without the terminating zero).
std::size_t CopyToField(char* field, std::size_t capacity, const Text& text);

template <std::size_t N>
std::size_t CopyToField(char (&field)[N], const Text& text) {
    return CopyToField(field, N, text);
}

}  // namespace qv
