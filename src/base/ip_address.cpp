#include "base/ip_address.h"

#include <algorithm>

#include "base/number_text.h"
#include "base/text.h"

namespace qv {
namespace {

bool IsHexDigit(char c) {
    return IsAsciiDigit(c) || (AsciiLower(c) >= 'a' && AsciiLower(c) <= 'f');
}

}  // namespace

bool IsIpv4Literal(std::string_view text) {
    for (int part = 0; part < 4; ++part) {
        const std::size_t dot = text.find('.');
        if ((part < 3) != (dot != std::string_view::npos)) {
            return false;
        }
        const std::string_view digits = text.substr(0, dot);
        // No leading zeros: some readers take "010" as octal.
        if (digits.empty() || digits.size() > 3 ||
            !std::all_of(digits.begin(), digits.end(), IsAsciiDigit) ||
            (digits.size() > 1 && digits.front() == '0') || !BoundedDecimal(digits, 0, 255)) {
            return false;
        }
        text.remove_prefix(part < 3 ? dot + 1 : text.size());
    }
    return true;
}

bool IsIpv6Literal(std::string_view text) {
    if (text.size() < 2 || text.size() > 45) {
        return false;
    }
    int groups = 0;
    bool compressed = false;
    std::size_t at = 0;
    if (text.substr(0, 2) == "::") {
        compressed = true;
        at = 2;
    } else if (text.front() == ':') {
        return false;
    }
    while (at < text.size()) {
        std::size_t end = at;
        while (end < text.size() && IsHexDigit(text[end])) {
            ++end;
        }
        if (end < text.size() && text[end] == '.') {
            // An IPv4 tail counts as two groups and ends the address.
            if (!IsIpv4Literal(text.substr(at))) {
                return false;
            }
            groups += 2;
            at = text.size();
            break;
        }
        if (end == at || end - at > 4) {
            return false;
        }
        ++groups;
        at = end;
        if (at == text.size()) {
            break;
        }
        if (text[at] != ':') {
            return false;
        }
        ++at;
        if (at < text.size() && text[at] == ':') {
            if (compressed) {
                return false;
            }
            compressed = true;
            ++at;
        } else if (at == text.size()) {
            return false;  // a single trailing colon
        }
    }
    return compressed ? groups <= 7 : groups == 8;
}

bool IsHostName(std::string_view text) {
    if (text.empty() || text.size() > 253) {
        return false;
    }
    bool allDigitsAndDots = true;
    while (true) {
        const std::size_t dot = text.find('.');
        const std::string_view label = text.substr(0, dot);
        if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-' ||
            !std::all_of(label.begin(), label.end(),
                         [](char c) { return IsAsciiAlpha(c) || IsAsciiDigit(c) || c == '-'; })) {
            return false;
        }
        allDigitsAndDots =
            allDigitsAndDots && std::all_of(label.begin(), label.end(), IsAsciiDigit);
        if (dot == std::string_view::npos) {
            break;
        }
        text.remove_prefix(dot + 1);
    }
    // "1.2.3.999" is a mistyped address, not a name.
    return !allDigitsAndDots;
}

bool IsIpAddress(std::string_view text) {
    return IsIpv4Literal(text) || IsIpv6Literal(text);
}

}  // namespace qv
