#pragma once
// Address literals as people write them: what an echo page must show to count as an answer,
// and what the proxy pool's Redis address may be.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

// Dotted decimal, four parts of 0-255 without leading zeros.
bool IsIpv4Literal(std::string_view text);
// The textual IPv6 forms, "::" compression and an IPv4 tail included; no zone, no brackets.
bool IsIpv6Literal(std::string_view text);
bool IsIpAddress(std::string_view text);
// An address literal's bytes: an IPv4 address in the first four.
struct IpBytes {
    bool v6 = false;
    std::array<std::uint8_t, 16> bytes = {};
    bool operator==(const IpBytes&) const = default;
};
// The bytes of what IsIpAddress accepts; nothing for anything else.
std::optional<IpBytes> ParseIpAddress(std::string_view text);

// A global unicast address: none of the private, loopback, link-local, shared (100.64/10),
// documentation, benchmarking, multicast, reserved or unspecified ranges. An IPv4 address
// mapped into IPv6 is judged as itself.
bool IsGlobalUnicast(const IpBytes& address);

// "203.0.113.0/24", "2001:db8::/32"; a bare address is its own /32 or /128.
struct IpRange {
    IpBytes base;
    int prefixBits = 0;
    bool Contains(const IpBytes& address) const;
};
std::optional<IpRange> ParseIpRange(std::string_view text);

// The address with every bit past the first `prefixBits` cleared.
IpBytes MaskedTo(const IpBytes& address, int prefixBits);
// Dotted decimal, or IPv6 in lower-case hexadecimal with the longest run of two or more zero
// groups written "::".
std::string FormatIpAddress(const IpBytes& address);

// A DNS host name (letters, digits, hyphens in dot-separated labels), not all digits.
bool IsHostName(std::string_view text);

}  // namespace qv
