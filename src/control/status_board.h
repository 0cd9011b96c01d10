#pragma once
// The last known line state, published by the window's thread after each scripted command
// and read by the HTTP control's thread, which never touches the window or AppState. It also
// holds what keeping the line and the proxy pool report while a command runs.
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "control/script_command.h"

namespace qv {

struct PoolFacts {
    std::string state = "off";  // "off", "ok", "unreachable"
    std::string value;
};

class StatusBoard {
  public:
    // `tickCount`: milliseconds, wrapping like the system tick count, readable on any thread.
    explicit StatusBoard(std::function<std::uint32_t()> tickCount = [] { return 0u; })
        : tickCount_(std::move(tickCount)) {}

    void Publish(const ScriptOutcome& outcome) {
        std::lock_guard<std::mutex> lock(mutex_);
        last_ = outcome;
        known_ = true;
        retryWait_.reset();
    }
    // False until the first command has published its outcome.
    bool Known() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return known_;
    }
    // A status answer from the last known state.
    ScriptOutcome Status(bool busy) const {
        std::lock_guard<std::mutex> lock(mutex_);
        ScriptOutcome status;
        status.ok = true;
        status.connected = last_.connected;
        status.ip = last_.ip;
        status.previousIp = last_.previousIp;
        status.entry = last_.entry;
        status.busy = busy;
        status.tries = last_.tries;
        status.lastError = last_.lastError;
        AddLiveFactsLocked(status);
        return status;
    }

    // Set once at start-up: whether the line watch runs, and where the pool's facts come from
    // (called on any thread; must not block).
    void SetWatch(bool on) {
        std::lock_guard<std::mutex> lock(mutex_);
        watch_ = on;
    }
    void SetPoolFacts(std::function<PoolFacts()> facts) {
        std::lock_guard<std::mutex> lock(mutex_);
        poolFacts_ = std::move(facts);
    }
    // A failed automatic dial waits for its retry; the next Publish ends it.
    void SetRetry(std::uint32_t rasError, std::uint32_t milliseconds) {
        std::lock_guard<std::mutex> lock(mutex_);
        last_.lastError = rasError;
        retryFrom_ = tickCount_();
        retryWait_ = milliseconds;
    }
    // The facts that are not the last command's: watch, pending retry, pool.
    void AddLiveFacts(ScriptOutcome& outcome) const {
        std::lock_guard<std::mutex> lock(mutex_);
        AddLiveFactsLocked(outcome);
    }

  private:
    void AddLiveFactsLocked(ScriptOutcome& outcome) const {
        outcome.watch = watch_;
        outcome.retryIn = 0;
        if (retryWait_) {
            const std::uint32_t elapsed = tickCount_() - retryFrom_;
            outcome.retryIn =
                elapsed < *retryWait_ ? static_cast<int>((*retryWait_ - elapsed + 999) / 1000) : 0;
        }
        if (poolFacts_) {
            const PoolFacts facts = poolFacts_();
            outcome.pool = facts.state;
            outcome.poolValue = facts.value;
        }
    }

    mutable std::mutex mutex_;
    ScriptOutcome last_;
    bool known_ = false;
    bool watch_ = false;
    std::function<std::uint32_t()> tickCount_;
    std::uint32_t retryFrom_ = 0;
    std::optional<std::uint32_t> retryWait_;  // milliseconds after retryFrom_
    std::function<PoolFacts()> poolFacts_;
};

}  // namespace qv
