#pragma once
// Texts are 8-bit strings in the ANSI code page (GBK); an empty text and an absent text are
// the same value. Byte sets are counted bytes (page bodies, icon files).
#include <cstdint>
#include <string>
#include <vector>

namespace qv {

using Text = std::string;
using Bytes = std::vector<std::uint8_t>;

// A byte of 0x80 or above followed by a non-zero byte starts a two-byte GBK character.
inline bool IsLeadByte(const char* p, const char* end) {
    return static_cast<unsigned char>(*p) >= 0x80 && p + 1 < end && p[1] != '\0';
}

}  // namespace qv
