#pragma once
// Scripted commands wait here for the window's thread. They run one at a time and only
// when no other command runs there: a person's command can nest (a click during the
// redial's pause runs inside it), a scripted one never does. Submit and Busy may be called
// from any thread; the rest only from the window's thread.
#include <atomic>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

#include "control/script_command.h"

namespace qv {

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

}  // namespace qv
