#pragma once
// A GET through an HTTP proxy, on a web session of its own: the system's proxy settings and
// the page fetch's session are left alone. Safe to call from any thread. Each fetch runs on a
// thread of its own that the caller waits for, so that EndAll can let every caller go while
// a silent proxy holds the fetch: the thread then ends on its own, within the limits.
#include <condition_variable>
#include <memory>
#include <mutex>

#include "app/ports.h"

namespace qv {

class WinProxiedFetcher final : public ProxiedFetcher {
  public:
    ProxiedPage FetchThrough(const Text& proxy, const Text& url, std::uint32_t limitMs) override;
    void EndAll() override;

  private:
    // Shared with the fetches' threads, which may outlive the fetcher.
    struct Waits {
        std::mutex mutex;
        std::condition_variable changed;
        bool ended = false;
    };
    std::shared_ptr<Waits> waits_ = std::make_shared<Waits>();
};

}  // namespace qv
