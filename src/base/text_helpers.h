#pragma once
// Text operations on 8-bit GBK text. Positions are 1-based bytes; a match never starts on the
// second byte of a two-byte character. Every operation is safe on any bytes, positions and
// counts: out-of-range values give the empty or unchanged result, never a read past the text.
#include "base/text.h"

namespace qv {

// Inside a marker handed to TextBetween, this stands for one double-quote character.
inline constexpr const char* kQuoteToken = "#引号";

// The 1-based position of `needle` in `text` from position `start` on, or -1.
int FindText(const Text& text, const Text& needle, int start = 1, bool ignoreCase = false);

// At most `count` bytes from position `start`; empty when either is out of range.
Text MidText(const Text& text, int start, int count);

// Replaces up to `count` occurrences (all when negative) from position `start` on.
Text ReplaceText(const Text& text, const Text& find, const Text& replacement = Text(),
                 int start = 1, int count = -1, bool caseSensitive = true);

// The bytes between the first `startMarker` from `start` on and the next `endMarker`; empty
// when either is missing.
Text TextBetween(const Text& text, const Text& startMarker, const Text& endMarker, int start = 1,
                 bool ignoreCase = false);

// A page body as text: the bytes up to the first zero byte, as they are.
Text BodyText(const Bytes& body);

}  // namespace qv
