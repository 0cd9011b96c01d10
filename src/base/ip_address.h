#pragma once
// Address literals as people write them: what an echo page must show to count as an answer,
// and what the proxy pool's Redis address may be.
#include <string_view>

namespace qv {

// Dotted decimal, four parts of 0-255 without leading zeros.
bool IsIpv4Literal(std::string_view text);
// The textual IPv6 forms, "::" compression and an IPv4 tail included; no zone, no brackets.
bool IsIpv6Literal(std::string_view text);
bool IsIpAddress(std::string_view text);
// A DNS host name (letters, digits, hyphens in dot-separated labels), not all digits.
bool IsHostName(std::string_view text);

}  // namespace qv
