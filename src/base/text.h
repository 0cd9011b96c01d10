#pragma once
// Texts are 8-bit strings in the ANSI code page (GBK); an empty text and an absent text are
// the same value. Byte sets are counted bytes (page bodies, icon files). The character tests
// below are the only ones in the program: every parser and search uses them.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

using Text = std::string;
using Bytes = std::vector<std::uint8_t>;

// A byte of 0x80 or above followed by a non-zero byte starts a two-byte GBK character.
inline bool IsLeadByte(const char* p, const char* end) {
    return static_cast<unsigned char>(*p) >= 0x80 && p + 1 < end && p[1] != '\0';
}

inline bool IsLeadByte(std::string_view text, std::size_t at) {
    return at < text.size() && IsLeadByte(text.data() + at, text.data() + text.size());
}

// The same, narrowed to pairs that are really GBK (lead 0x81 or above, trail 0x40 or above):
// for readers whose delimiters lie below 0x40, so that a stray high byte never hides the
// delimiter after it.
inline bool IsGbkPair(std::string_view text, std::size_t at) {
    return IsLeadByte(text, at) && static_cast<unsigned char>(text[at]) >= 0x81 &&
           static_cast<unsigned char>(text[at + 1]) >= 0x40;
}

// White space as the C library's isspace sees it in the "C" locale.
inline bool IsAsciiSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

inline bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

inline bool IsAsciiAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

inline char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string AsciiLower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        c = AsciiLower(c);
    }
    return lower;
}

// `text` without leading and trailing white space.
inline std::string_view TrimSpaces(std::string_view text) {
    while (!text.empty() && IsAsciiSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsAsciiSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

}  // namespace qv
