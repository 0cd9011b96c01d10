#pragma once
// The parts of a page request that follow from the cracked URL: which connection service and
// request flags its scheme asks for, and the object name sent on the request line.
#include <cstdint>
#include <string_view>

#include "base/text.h"

namespace qv {

// The system's scheme and service numbers (INTERNET_SCHEME_*, INTERNET_SERVICE_HTTP); the
// adapter checks them against the system header.
inline constexpr int kSchemeHttp = 3;
inline constexpr int kSchemeHttps = 4;
inline constexpr std::uint32_t kServiceHttp = 3;

// Always fetched from the server and never written to the cache; https adds the secure flag.
inline constexpr std::uint32_t kRequestFlags = 0x84000000;  // RELOAD | NO_CACHE_WRITE
inline constexpr std::uint32_t kSecureFlag = 0x00800000;    // INTERNET_FLAG_SECURE

struct RequestKind {
    bool fetchable = false;  // only http and https can answer with a body
    std::uint32_t service = 0;
    std::uint32_t flags = 0;
};

RequestKind RequestKindForScheme(int scheme);

// The path with its query, cut before the first "#": a fragment never goes on the wire.
Text ObjectName(std::string_view pathWithQuery);

}  // namespace qv
