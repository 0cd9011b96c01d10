#include "base/number_text.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>

namespace qv {

Text IntToText(int n) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%d", n);
    return buffer;
}

Text FoldFullWidth(const Text& text) {
    Text folded;
    folded.reserve(text.size());
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end) {
        if (!IsLeadByte(p, end)) {
            folded.push_back(*p++);
            continue;
        }
        const auto lead = static_cast<unsigned char>(p[0]);
        const auto trail = static_cast<unsigned char>(p[1]);
        if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
            folded.push_back(static_cast<char>(trail - 0x80));
        } else if (lead == 0xA1 && trail == 0xA1) {
            folded.push_back(' ');
        } else if (lead == 0xA1 && trail == 0xAB) {
            folded.push_back('~');
        } else if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF)) {
            folded.push_back('*');
        } else {
            folded.append(p, 2);
        }
        p += 2;
    }
    return folded;
}

std::int64_t ParseDecimalPrefix(std::string_view text, std::int64_t limit) {
    std::size_t i = 0;
    while (i < text.size() && IsAsciiSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::int64_t value = 0;
    for (; i < text.size() && IsAsciiDigit(text[i]); ++i) {
        const int digit = text[i] - '0';
        value = value > (limit - digit) / 10 ? limit : value * 10 + digit;
    }
    return negative ? -value : value;
}

std::optional<long> BoundedDecimal(std::string_view text, long low, long high) {
    text = TrimSpaces(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    const auto magnitudeOf = [](long v) {
        return v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    };
    // A magnitude beyond both bounds is out of range however many digits follow: stop there,
    // before anything can overflow.
    const std::uint64_t limit = std::max(magnitudeOf(low), magnitudeOf(high));
    std::uint64_t magnitude = 0;
    for (char c : text) {
        if (!IsAsciiDigit(c)) {
            return std::nullopt;
        }
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (magnitude > limit / 10 || magnitude * 10 + digit > limit) {
            return std::nullopt;
        }
        magnitude = magnitude * 10 + digit;
    }
    if (!negative && magnitude > static_cast<std::uint64_t>(high < 0 ? 0 : high)) {
        return std::nullopt;
    }
    const std::int64_t value = !negative || magnitude == 0
                                   ? static_cast<std::int64_t>(magnitude)
                                   : -static_cast<std::int64_t>(magnitude - 1) - 1;
    if (value < low || value > high) {
        return std::nullopt;
    }
    return static_cast<long>(value);
}

int TextToInt(const Text& text) {
    const std::int64_t value =
        ParseDecimalPrefix(FoldFullWidth(text), static_cast<std::int64_t>(INT_MAX) + 1);
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

}  // namespace qv
