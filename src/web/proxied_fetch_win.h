#pragma once
// A GET through an HTTP proxy, on a web session of its own: the system's proxy settings and
// the page fetch's session are left alone. Safe to call from any thread.
#include "app/ports.h"

namespace qv {

class WinProxiedFetcher final : public ProxiedFetcher {
  public:
    ProxiedPage FetchThrough(const Text& proxy, const Text& url, std::uint32_t limitMs) override;
};

}  // namespace qv
