#include "base/number_text.h"

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

int TextToInt(const Text& text) {
    const std::int64_t value =
        ParseDecimalPrefix(FoldFullWidth(text), static_cast<std::int64_t>(INT_MAX) + 1);
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

}  // namespace qv
