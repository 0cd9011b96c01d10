#pragma once
// The last known line state, published by the window's thread after each scripted command
// and read by the HTTP control's thread, which never touches the window or AppState.
#include <mutex>

#include "control/script_command.h"

namespace qv {

class StatusBoard {
  public:
    void Publish(const ScriptOutcome& outcome) {
        std::lock_guard<std::mutex> lock(mutex_);
        last_ = outcome;
        known_ = true;
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
        return status;
    }

  private:
    mutable std::mutex mutex_;
    ScriptOutcome last_;
    bool known_ = false;
};

}  // namespace qv
