#include "control/token_check.h"

#include <cctype>
#include <cstddef>

namespace qv {
namespace {

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

}  // namespace

bool SameSecret(std::string_view given, std::string_view expected) {
    // Every byte of the given text is compared, against the expected one cycled when the
    // lengths differ, so the loop's length tells nothing about the expected text.
    unsigned difference = given.size() == expected.size() ? 0u : 1u;
    for (std::size_t i = 0; i < given.size(); ++i) {
        const unsigned char want =
            expected.empty() ? 0 : static_cast<unsigned char>(expected[i % expected.size()]);
        difference |= static_cast<unsigned char>(given[i]) ^ want;
    }
    return difference == 0 && !expected.empty();
}

bool BearerMatches(std::string_view authorization, std::string_view token) {
    constexpr std::string_view kScheme = "bearer";
    const std::string_view value = TrimBlanks(authorization);
    if (value.size() <= kScheme.size() ||
        (value[kScheme.size()] != ' ' && value[kScheme.size()] != '\t')) {
        return false;
    }
    for (std::size_t i = 0; i < kScheme.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(value[i])) != kScheme[i]) {
            return false;
        }
    }
    return SameSecret(TrimBlanks(value.substr(kScheme.size())), token);
}

}  // namespace qv
