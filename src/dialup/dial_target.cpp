#include "dialup/dial_target.h"

#include <climits>
#include <string_view>

#include "base/number_text.h"

namespace qv {

std::optional<std::int64_t> DialPosition(const Text& target) {
    if (target.empty() || target[0] != '@') {
        return std::nullopt;
    }
    // Stop at an embedded zero byte: the system would see the text only up to there.
    const std::string_view number(target.c_str() + 1);
    return ParseDecimalPrefix(number, static_cast<std::int64_t>(INT_MAX) + 1);
}

}  // namespace qv
