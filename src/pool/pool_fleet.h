#pragma once
// The fleet's shared records in the Redis the pool reads, on the publisher's connection: a
// sorted set `<key>:rotating` of the nodes between their withdraw and their publish (score:
// the lease's end in Redis's own milliseconds), and `<key>:seen` of the addresses kept lately
// (score: Redis's seconds). Redis's clock, never a node's, times both: the nodes' clocks differ.
#include <string>

#include "app/ports.h"
#include "pool/pool_publisher.h"
#include "pool/pool_settings.h"

namespace qv {

class PoolFleet final : public Fleet {
  public:
    static constexpr int kAnswerWaitMs = 1000;
    static constexpr int kLeaseMs = 300'000;  // a node that dies mid-rotation frees its slot

    PoolFleet(const PoolSettings& settings, PoolPublisher& publisher)
        : settings_(settings), publisher_(publisher) {}

    // Without 同时重拔 every redial may go at once, and Redis is not asked.
    Slot TakeRotationSlot() override;
    void ReleaseRotationSlot() override;
    // Without 不重复分钟 nothing is remembered, and Redis is not asked.
    bool SeenLately(const Text& ip) override;
    // The address a command kept, for every node to see.
    void Remember(const std::string& ip);

  private:
    std::string RotatingKey() const { return settings_.key + ":rotating"; }
    std::string SeenKey() const { return settings_.key + ":seen"; }
    std::string SeenSeconds() const { return std::to_string(settings_.seenMinutes * 60); }

    const PoolSettings& settings_;
    PoolPublisher& publisher_;
};

// The Lua scripts PoolFleet sends with EVAL, for the tests that run them against Redis.
extern const char* const kTakeSlotScript;
extern const char* const kSeenScript;
extern const char* const kRememberScript;

}  // namespace qv
