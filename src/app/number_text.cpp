#include "app/number_text.h"

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

int TextToInt(const Text& text) {
    const Text folded = FoldFullWidth(text);
    std::size_t i = 0;
    auto isSpace = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (i < folded.size() && isSpace(folded[i])) {
        ++i;
    }
    bool negative = false;
    if (i < folded.size() && (folded[i] == '+' || folded[i] == '-')) {
        negative = folded[i] == '-';
        ++i;
    }
    std::int64_t value = 0;
    for (; i < folded.size() && folded[i] >= '0' && folded[i] <= '9'; ++i) {
        value = value * 10 + (folded[i] - '0');
        if (value > static_cast<std::int64_t>(INT_MAX) + 1) {
            value = static_cast<std::int64_t>(INT_MAX) + 1;  // saturate, never overflow
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > INT_MAX) {
        return INT_MAX;
    }
    return static_cast<int>(value);
}

}  // namespace qv
