#include "control/command_queue.h"

namespace qv {

void CommandQueue::Submit(ScriptJob job) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_();
}

bool CommandQueue::Busy() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return depth_ > 0 || !jobs_.empty();
}

void CommandQueue::LeaveHandler() {
    bool waiting = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        waiting = --depth_ == 0 && !jobs_.empty();
    }
    if (waiting) {
        wake_();
    }
}

std::optional<ScriptJob> CommandQueue::BeginNext() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (depth_ > 0 || jobs_.empty()) {
        return std::nullopt;
    }
    ++depth_;  // under the lock, so Busy never sees a job that is neither waiting nor running
    ScriptJob job = std::move(jobs_.front());
    jobs_.pop_front();
    return job;
}

}  // namespace qv
