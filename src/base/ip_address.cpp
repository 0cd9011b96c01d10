#include "base/ip_address.h"

#include <algorithm>
#include <initializer_list>

#include "base/number_text.h"
#include "base/text.h"

namespace qv {
namespace {

bool IsHexDigit(char c) {
    return IsAsciiDigit(c) || (AsciiLower(c) >= 'a' && AsciiLower(c) <= 'f');
}

std::optional<std::array<std::uint8_t, 4>> ParseIpv4(std::string_view text) {
    std::array<std::uint8_t, 4> bytes = {};
    for (int part = 0; part < 4; ++part) {
        const std::size_t dot = text.find('.');
        if ((part < 3) != (dot != std::string_view::npos)) {
            return std::nullopt;
        }
        const std::string_view digits = text.substr(0, dot);
        // No leading zeros: some readers take "010" as octal.
        const auto value = BoundedDecimal(digits, 0, 255);
        if (digits.empty() || digits.size() > 3 ||
            !std::all_of(digits.begin(), digits.end(), IsAsciiDigit) ||
            (digits.size() > 1 && digits.front() == '0') || !value) {
            return std::nullopt;
        }
        bytes[static_cast<std::size_t>(part)] = static_cast<std::uint8_t>(*value);
        text.remove_prefix(part < 3 ? dot + 1 : text.size());
    }
    return bytes;
}

// The groups before "::" (or all of them) and after it; an IPv4 tail gives two groups.
std::optional<std::array<std::uint8_t, 16>> ParseIpv6(std::string_view text) {
    if (text.size() < 2 || text.size() > 45) {
        return std::nullopt;
    }
    std::uint16_t head[8];
    std::uint16_t tail[8];
    int heads = 0;
    int tails = 0;
    bool compressed = false;
    const auto add = [&](std::uint16_t group) {
        if (heads + tails >= 8) {
            return false;
        }
        (compressed ? tail[tails++] : head[heads++]) = group;
        return true;
    };
    std::size_t at = 0;
    if (text.substr(0, 2) == "::") {
        compressed = true;
        at = 2;
    } else if (text.front() == ':') {
        return std::nullopt;
    }
    while (at < text.size()) {
        std::size_t end = at;
        unsigned value = 0;
        while (end < text.size() && IsHexDigit(text[end]) && end - at < 5) {
            const char c = AsciiLower(text[end]);
            value = value * 16 + static_cast<unsigned>(IsAsciiDigit(c) ? c - '0' : c - 'a' + 10);
            ++end;
        }
        if (end < text.size() && text[end] == '.') {
            // An IPv4 tail ends the address.
            const auto v4 = ParseIpv4(text.substr(at));
            if (!v4 || !add(static_cast<std::uint16_t>((*v4)[0] << 8 | (*v4)[1])) ||
                !add(static_cast<std::uint16_t>((*v4)[2] << 8 | (*v4)[3]))) {
                return std::nullopt;
            }
            at = text.size();
            break;
        }
        if (end == at || end - at > 4 || !add(static_cast<std::uint16_t>(value))) {
            return std::nullopt;
        }
        at = end;
        if (at == text.size()) {
            break;
        }
        if (text[at] != ':') {
            return std::nullopt;
        }
        ++at;
        if (at < text.size() && text[at] == ':') {
            if (compressed) {
                return std::nullopt;
            }
            compressed = true;
            ++at;
        } else if (at == text.size()) {
            return std::nullopt;  // a single trailing colon
        }
    }
    if (compressed ? heads + tails > 7 : heads != 8) {
        return std::nullopt;
    }
    std::array<std::uint8_t, 16> bytes = {};
    const auto put = [&bytes](int index, std::uint16_t group) {
        bytes[static_cast<std::size_t>(index) * 2] = static_cast<std::uint8_t>(group >> 8);
        bytes[static_cast<std::size_t>(index) * 2 + 1] = static_cast<std::uint8_t>(group);
    };
    for (int i = 0; i < heads; ++i) {
        put(i, head[i]);
    }
    for (int i = 0; i < tails; ++i) {
        put(8 - tails + i, tail[i]);
    }
    return bytes;
}

// The leading `bits` of two addresses of one family agree.
bool SamePrefix(const IpBytes& a, const IpBytes& b, int bits) {
    if (a.v6 != b.v6) {
        return false;
    }
    for (std::size_t i = 0; bits > 0; ++i, bits -= 8) {
        const auto mask = static_cast<std::uint8_t>(bits >= 8 ? 0xff : 0xff << (8 - bits));
        if ((a.bytes[i] & mask) != (b.bytes[i] & mask)) {
            return false;
        }
    }
    return true;
}

bool InAny(const IpBytes& address, std::initializer_list<const char*> ranges) {
    return std::any_of(ranges.begin(), ranges.end(), [&address](const char* text) {
        return ParseIpRange(text)->Contains(address);
    });
}

}  // namespace

bool IsIpv4Literal(std::string_view text) {
    return ParseIpv4(text).has_value();
}

bool IsIpv6Literal(std::string_view text) {
    return ParseIpv6(text).has_value();
}

std::optional<IpBytes> ParseIpAddress(std::string_view text) {
    IpBytes address;
    if (const auto v4 = ParseIpv4(text)) {
        std::copy(v4->begin(), v4->end(), address.bytes.begin());
        return address;
    }
    if (const auto v6 = ParseIpv6(text)) {
        address.v6 = true;
        address.bytes = *v6;
        return address;
    }
    return std::nullopt;
}

bool IsGlobalUnicast(const IpBytes& address) {
    if (address.v6) {
        if (InAny(address, {"::ffff:0:0/96"})) {
            IpBytes v4;
            std::copy(address.bytes.begin() + 12, address.bytes.end(), v4.bytes.begin());
            return IsGlobalUnicast(v4);
        }
        // Only 2000::/3 is handed out, less its special-purpose and documentation blocks.
        return InAny(address, {"2000::/3"}) &&
               !InAny(address, {"2001::/23", "2001:db8::/32", "3fff::/20"});
    }
    return !InAny(address,
                  {"0.0.0.0/8", "10.0.0.0/8", "100.64.0.0/10", "127.0.0.0/8", "169.254.0.0/16",
                   "172.16.0.0/12", "192.0.0.0/24", "192.0.2.0/24", "192.168.0.0/16",
                   "198.18.0.0/15", "198.51.100.0/24", "203.0.113.0/24", "224.0.0.0/3"});
}

bool IpRange::Contains(const IpBytes& address) const {
    return SamePrefix(base, address, prefixBits);
}

std::optional<IpRange> ParseIpRange(std::string_view text) {
    const std::size_t slash = text.find('/');
    const auto address = ParseIpAddress(text.substr(0, slash));
    if (!address) {
        return std::nullopt;
    }
    const int bits = address->v6 ? 128 : 32;
    if (slash == std::string_view::npos) {
        return IpRange{*address, bits};
    }
    const std::string_view digits = text.substr(slash + 1);
    const auto prefix = BoundedDecimal(digits, 0, bits);
    if (!prefix || digits.empty() || !std::all_of(digits.begin(), digits.end(), IsAsciiDigit) ||
        digits.size() > 3) {
        return std::nullopt;
    }
    return IpRange{*address, static_cast<int>(*prefix)};
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

IpBytes MaskedTo(const IpBytes& address, int prefixBits) {
    IpBytes masked = address;
    const int size = address.v6 ? 16 : 4;
    for (int i = 0; i < size; ++i) {
        const int keep = std::clamp(prefixBits - 8 * i, 0, 8);
        masked.bytes[i] &= static_cast<std::uint8_t>(0xff00 >> keep);
    }
    return masked;
}

std::string FormatIpAddress(const IpBytes& address) {
    if (!address.v6) {
        return std::to_string(address.bytes[0]) + "." + std::to_string(address.bytes[1]) + "." +
               std::to_string(address.bytes[2]) + "." + std::to_string(address.bytes[3]);
    }
    std::array<unsigned, 8> groups = {};
    for (int i = 0; i < 8; ++i) {
        groups[i] = address.bytes[2 * i] << 8 | address.bytes[2 * i + 1];
    }
    int bestStart = -1, bestLength = 1;
    for (int i = 0; i < 8;) {
        int j = i;
        while (j < 8 && groups[j] == 0) {
            ++j;
        }
        if (j - i > bestLength) {
            bestStart = i;
            bestLength = j - i;
        }
        i = j == i ? i + 1 : j;
    }
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    for (int i = 0; i < 8; ++i) {
        if (i == bestStart) {
            text += "::";
            i += bestLength - 1;
            continue;
        }
        if (!text.empty() && text.back() != ':') {
            text += ':';
        }
        bool started = false;
        for (int shift = 12; shift >= 0; shift -= 4) {
            const unsigned digit = groups[i] >> shift & 0xf;
            if (started || digit != 0 || shift == 0) {
                text += kHex[digit];
                started = true;
            }
        }
    }
    return text;
}

}  // namespace qv
