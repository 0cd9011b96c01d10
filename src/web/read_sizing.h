#pragma once
// How the page fetch sizes its reads and grows its body buffer. Kept apart from the WinINet
// adapter so the arithmetic is tested natively.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/number_text.h"
#include "base/text.h"

namespace qv {

inline constexpr std::uint32_t kReadBlockCap = 102400;
inline constexpr std::uint32_t kDefaultReadBlock = 10240;
inline constexpr std::size_t kBodyGrowthSlack = 128;

// The read block for a Content-Length answer: the length plus one, capped; the default when
// the header was missing (`lengthText` null) or did not hold a positive number.
std::uint32_t ReadBlockSize(const char* lengthText);

// Appends one block read from the wire; when it does not fit, the buffer is re-allocated to
// the new length plus a little slack so that small trailing reads do not re-allocate again.
void AppendBlock(Bytes& body, const std::uint8_t* data, std::size_t count);

// Test hook: sees the size of every read request. Nothing is installed in the program.
using ReadRequestObserver = void (*)(std::uint32_t requested);
void SetReadRequestObserver(ReadRequestObserver observer);
void NoteReadRequest(std::uint32_t requested);

}  // namespace qv
