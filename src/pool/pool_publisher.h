#pragma once
// Publishes this line's address to the Redis a proxy pool reads: a worker thread of its own
// owns the connection; the window's thread only hands it the wanted state and, before a
// hang-up, waits a bounded time for the withdraw.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "pool/pool_settings.h"
#include "pool/publish_plan.h"

namespace qv {

class RedisLink;

struct PoolHealth {
    enum class State { Ok, Unreachable };
    State state = State::Ok;
    std::string detail;  // printable ASCII: the Redis error or the system's message
};

struct PoolSnapshot {
    enum class State { Off, Ok, Unreachable };
    State state = State::Off;
    std::string published;  // the value Redis last confirmed; empty once withdrawn
};

class PoolPublisher {
  public:
    static constexpr int kWithdrawWaitMs = 1000;
    // At the end, a withdraw Redis has not confirmed gets this long for one more attempt.
    static constexpr int kLastWithdrawWaitMs = 300;

    // Settings that are not On give a publisher that does nothing (state Off). The callback
    // runs on the worker thread, on the first failure in a row and on the recovery after it.
    PoolPublisher(PoolSettings settings, std::function<void(PoolHealth)> onHealthChange);
    // As StopLeavingField.
    ~PoolPublisher();
    PoolPublisher(const PoolPublisher&) = delete;
    PoolPublisher& operator=(const PoolPublisher&) = delete;

    // `ipPort` as PoolAddress gives it; an empty one is ignored.
    void Publish(const std::string& ipPort);
    // Withdraws and waits at most kWithdrawWaitMs for Redis to confirm it; a failed attempt
    // ends the wait at once.
    bool WithdrawBeforeHangUp();
    void Withdraw();
    // Ends the worker. A published field stays and its key expires; a withdraw that Redis has
    // not confirmed is tried once more, for at most kLastWithdrawWaitMs.
    void StopLeavingField();
    PoolSnapshot Snapshot() const;

  private:
    void Run();
    void Work(std::unique_lock<std::mutex>& lock);
    void Carry(const PlanStep& step, std::unique_lock<std::mutex>& lock);
    // Asks for the withdraw and waits until Redis confirms it or an attempt fails.
    bool AwaitWithdraw(int limitMs, std::unique_lock<std::mutex>& lock);

    const bool enabled_;
    const std::string password_;  // kept out of every detail reported
    const std::function<void(PoolHealth)> onHealthChange_;
    std::unique_ptr<RedisLink> link_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;      // the worker: something to do, or stop
    std::condition_variable answered_;  // WithdrawBeforeHangUp: the worker finished a step
    PublishPlan plan_;
    PoolSnapshot snapshot_;
    bool failing_ = false;
    bool stopping_ = false;
    int exchangesOnLink_ = 0;
    std::uint64_t attemptsStarted_ = 0;  // steps carried, each numbered
    std::uint64_t lastFailedAttempt_ = 0;
    std::thread worker_;
};

}  // namespace qv
