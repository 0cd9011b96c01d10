#pragma once
// Publishes this line's address to the Redis a proxy pool reads: a worker thread of its own
// owns the connection; the window's thread only hands it the wanted state and, before a
// hang-up, waits a bounded time for the withdraw.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "pool/pool_settings.h"
#include "pool/publish_plan.h"

namespace qv {

class RedisLink;

struct PoolHealth {
    // Unverified: the address failed its check through the proxy; Verified: it passed after.
    enum class State { Ok, Unreachable, Unverified, Verified };
    State state = State::Ok;
    std::string detail;  // printable ASCII: the Redis error or the system's message
};

struct PoolSnapshot {
    enum class State { Off, Ok, Unreachable, Unverified };
    State state = State::Off;
    std::string published;  // the value Redis last confirmed; empty once withdrawn
};

class PoolPublisher {
  public:
    static constexpr int kWithdrawWaitMs = 1000;
    // At the end, a withdraw Redis has not confirmed gets this long for one more attempt.
    static constexpr int kLastWithdrawWaitMs = 300;

    // The check of an address through the node's own proxy: true when it passed. It runs on
    // the worker and may take seconds.
    using AddressCheck = std::function<bool(const PoolTarget& target)>;

    // Settings that are not On give a publisher that does nothing (state Off). The callback
    // runs on the worker thread, on the first failure in a row and on the recovery after it.
    // With the settings' check on, `check` decides when an address may be published.
    PoolPublisher(PoolSettings settings, std::function<void(PoolHealth)> onHealthChange,
                  AddressCheck check = {});
    // As StopLeavingField.
    ~PoolPublisher();
    PoolPublisher(const PoolPublisher&) = delete;
    PoolPublisher& operator=(const PoolPublisher&) = delete;

    // `ipPort` as PoolAddress gives it for the line's `address`; an empty one is ignored.
    void Publish(const std::string& ipPort, const std::string& address = "");
    // Withdraws and waits at most kWithdrawWaitMs for Redis to confirm it; a failed attempt
    // ends the wait at once.
    bool WithdrawBeforeHangUp();
    void Withdraw();
    // Ends the worker. A published field stays and its key expires; a withdraw that Redis has
    // not confirmed is tried once more, for at most kLastWithdrawWaitMs.
    void StopLeavingField();
    PoolSnapshot Snapshot() const;

    // Commands of the fleet's own, sent after whatever the publishing has due, on the same
    // connection. Ask waits at most `limitMs` for the replies (nullopt without them, or when
    // off); one question at a time. Tell does not wait: sent in turn, dropped when Redis fails.
    std::optional<std::vector<resp::Reply>> Ask(std::vector<resp::Command> commands, int limitMs);
    void Tell(std::vector<resp::Command> commands);

  private:
    void Run();
    void Work(std::unique_lock<std::mutex>& lock);
    void Carry(const PlanStep& step, std::unique_lock<std::mutex>& lock);
    // Asks for the withdraw and waits until Redis confirms it or an attempt fails.
    bool AwaitWithdraw(int limitMs, std::unique_lock<std::mutex>& lock);
    void CarryCheck(const PlanStep& step, std::unique_lock<std::mutex>& lock);
    // The next question, else the oldest told command, with the lock released.
    void CarryRequest(std::unique_lock<std::mutex>& lock);
    void ReportHealth(const PoolHealth& health, std::unique_lock<std::mutex>& lock);

    const bool enabled_;
    const std::string password_;  // kept out of every detail reported
    const std::function<void(PoolHealth)> onHealthChange_;
    const AddressCheck check_;
    std::unique_ptr<RedisLink> link_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;      // the worker: something to do, or stop
    std::condition_variable answered_;  // WithdrawBeforeHangUp: the worker finished a step
    PublishPlan plan_;
    PoolSnapshot snapshot_;
    bool failing_ = false;
    bool unverified_ = false;
    struct Question {
        std::uint64_t number = 0;
        std::vector<resp::Command> commands;
    };
    std::optional<Question> question_;
    std::uint64_t questionsAsked_ = 0;
    std::uint64_t answeredQuestion_ = 0;
    std::optional<std::vector<resp::Reply>> answer_;
    std::deque<std::vector<resp::Command>> told_;
    bool stopping_ = false;
    int exchangesOnLink_ = 0;
    std::uint64_t attemptsStarted_ = 0;  // steps carried, each numbered
    std::uint64_t lastFailedAttempt_ = 0;
    std::thread worker_;
};

}  // namespace qv
