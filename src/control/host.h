#pragma once
// Where scripted commands wait for the window's thread, and the board that answers a status
// while one runs. Free of the assistant: the HTTP control's thread reaches these only.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/ports.h"
#include "control/protocol.h"

namespace qv {

// Scripted commands wait here for the window's thread. They run one at a time and only
// when no other command runs there: a person's command can nest (a click during the
// redial's pause runs inside it), a scripted one never does. Submit and Busy may be called
// from any thread; the rest only from the window's thread.

// Beyond this many waiting commands a caller is refused at once: a controller that keeps
// retrying must not pile up redials that run in a burst long after it gave up.
inline constexpr std::size_t kMaxWaitingCommands = 16;

struct ScriptJob {
    ScriptCommand command;
    // Called on the window's thread with the outcome; must not throw.
    std::function<void(const ScriptOutcome&)> done;
    // Whether the caller still waits for the outcome, asked on the window's thread when the
    // job's turn comes; a job whose caller has gone is dropped unrun. Empty: it waits.
    std::function<bool()> callerWaiting;
    CommandSource source = CommandSource::CommandLine;
};

class CommandQueue {
  public:
    // `wake` asks the window's thread to call BeginNext soon; it may be called from any
    // thread and must not block.
    explicit CommandQueue(std::function<void()> wake) : wake_(std::move(wake)) {}
    CommandQueue(const CommandQueue&) = delete;
    CommandQueue& operator=(const CommandQueue&) = delete;

    // False when kMaxWaitingCommands already wait: the job is not taken.
    [[nodiscard]] bool Submit(ScriptJob job);
    // A command runs or waits.
    bool Busy() const;
    // How many wait, from any thread.
    int Waiting() const;

    // Around every handler the window runs, nested ones included.
    void EnterHandler() { ++depth_; }
    void LeaveHandler();

    // The next job whose caller still waits, when nothing runs, already entered: the caller
    // runs it, then calls LeaveHandler. Jobs whose callers have gone are dropped on the way.
    std::optional<ScriptJob> BeginNext();

  private:
    std::function<void()> wake_;
    mutable std::mutex mutex_;
    std::deque<ScriptJob> jobs_;
    std::atomic<int> depth_{0};
};

// The answer to a caller whose command the full queue refused.
ScriptOutcome QueueFullOutcome(const ScriptCommand& command);

// The last known line state, published by the window's thread after each scripted command
// and read by the HTTP control's thread, which never touches the window or AppState. It also
// holds what keeping the line and the proxy pool report while a command runs.

struct PoolFacts {
    std::string state = "off";  // "off", "ok", "unreachable", "unverified"
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
    // The line changed while a command runs: a status answered meanwhile tells the line as
    // it is, not as the last command left it.
    void FollowLine(bool connected, const Text& ip) {
        std::lock_guard<std::mutex> lock(mutex_);
        last_.connected = connected;
        last_.ip = connected ? ip : Text();
    }
    // A failed automatic dial waits for its retry; the next Publish ends it.
    void SetRetry(std::uint32_t rasError, std::uint32_t milliseconds) {
        std::lock_guard<std::mutex> lock(mutex_);
        last_.lastError = rasError;
        retryFrom_ = tickCount_();
        retryWait_ = milliseconds;
    }
    // The line kept an address (`ip` not empty) or lost it; `now` in seconds since 1970.
    void AddressCame(const Text& ip, std::int64_t now) {
        std::lock_guard<std::mutex> lock(mutex_);
        EndAddressLocked(now);
        history_.push_front({ip, now, 0});
        if (history_.size() > kHistoryLength) {
            history_.pop_back();
        }
    }
    void AddressWent(std::int64_t now) {
        std::lock_guard<std::mutex> lock(mutex_);
        EndAddressLocked(now);
    }
    std::vector<HistoryEntry> History() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return {history_.begin(), history_.end()};
    }
    void SetWaiting(WaitKind kind) {
        std::lock_guard<std::mutex> lock(mutex_);
        waiting_ = kind;
    }
    // The facts that are not the last command's: watch, pending retry, pool, a wait.
    void AddLiveFacts(ScriptOutcome& outcome) const {
        std::lock_guard<std::mutex> lock(mutex_);
        AddLiveFactsLocked(outcome);
    }

    static constexpr std::size_t kHistoryLength = 50;

  private:
    void EndAddressLocked(std::int64_t now) {
        if (!history_.empty() && history_.front().went == 0) {
            history_.front().went = now;
        }
    }
    void AddLiveFactsLocked(ScriptOutcome& outcome) const {
        outcome.watch = watch_;
        outcome.retryIn = 0;
        if (retryWait_) {
            const std::uint32_t elapsed = tickCount_() - retryFrom_;
            outcome.retryIn =
                elapsed < *retryWait_ ? static_cast<int>((*retryWait_ - elapsed + 999) / 1000) : 0;
        }
        outcome.waiting = waiting_ == WaitKind::Slot    ? "slot"
                          : waiting_ == WaitKind::Drain ? "drain"
                                                        : "";
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
    WaitKind waiting_ = WaitKind::None;
    std::deque<HistoryEntry> history_;  // newest first
};

// The one rule for a status, however it came: while a command runs or waits, it is answered at
// once from the last known state; otherwise (or before anything is known, during the start-up)
// it waits its turn and is answered fresh. A history is always answered at once.
std::optional<ScriptOutcome> StatusAtOnce(const ScriptCommand& command, const CommandQueue& queue,
                                          const StatusBoard& board);

}  // namespace qv
