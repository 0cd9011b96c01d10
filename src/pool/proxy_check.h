#pragma once
// Whether a consumer could use this node's proxy: the first echo page, fetched through the
// proxy on 127.0.0.1 and the node's port, shows the line's address, and the check page (when
// set) answers below 400 through it. Runs on the pool's worker; each fetch takes 10 s at most.
#include <string>

#include "app/ports.h"
#include "pool/pool_settings.h"

namespace qv {

inline constexpr std::uint32_t kProxyCheckLimitMs = 10'000;

bool AddressWorksThroughProxy(ProxiedFetcher& fetcher, const PoolSettings& settings,
                              const Text& echoPage, const std::string& address);

}  // namespace qv
