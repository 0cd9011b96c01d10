#pragma once
// Scripted commands wait here for the window's thread. They run one at a time and only
// when no other command runs there: a person's command can nest (a click during the
// redial's pause runs inside it), a scripted one never does. Submit and Busy may be called
// from any thread; the rest only from the window's thread.
#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

#include "control/script_command.h"

namespace qv {

struct ScriptJob {
    ScriptCommand command;
    // Called on the window's thread with the outcome; must not throw.
    std::function<void(const ScriptOutcome&)> done;
};

class CommandQueue {
  public:
    // `wake` asks the window's thread to call BeginNext soon; it may be called from any
    // thread and must not block.
    explicit CommandQueue(std::function<void()> wake) : wake_(std::move(wake)) {}
    CommandQueue(const CommandQueue&) = delete;
    CommandQueue& operator=(const CommandQueue&) = delete;

    void Submit(ScriptJob job);
    // A command runs or waits.
    bool Busy() const;

    // Around every handler the window runs, nested ones included.
    void EnterHandler() { ++depth_; }
    void LeaveHandler();

    // The next job when nothing runs, already entered: the caller runs it, then calls
    // LeaveHandler.
    std::optional<ScriptJob> BeginNext();

  private:
    std::function<void()> wake_;
    mutable std::mutex mutex_;
    std::deque<ScriptJob> jobs_;
    std::atomic<int> depth_{0};
};

}  // namespace qv
