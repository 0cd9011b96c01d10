#include "dialup/dial_target.h"

#include <climits>

namespace qv {

std::optional<std::int64_t> DialPosition(const Text& target) {
    if (target.empty() || target[0] != '@') {
        return std::nullopt;
    }
    // Stop at an embedded zero byte: the system would see the text only up to there.
    const char* p = target.c_str() + 1;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) {
        ++p;
    }
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    constexpr std::int64_t kLimit = static_cast<std::int64_t>(INT_MAX) + 1;
    std::int64_t value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > kLimit) {
            value = kLimit;
        }
    }
    return negative ? -value : value;
}

}  // namespace qv
