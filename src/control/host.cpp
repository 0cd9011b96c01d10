#include "control/host.h"

namespace qv {

bool CommandQueue::Submit(ScriptJob job) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (jobs_.size() >= kMaxWaitingCommands) {
            return false;
        }
        jobs_.push_back(std::move(job));
    }
    wake_();
    return true;
}

bool CommandQueue::Busy() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return depth_ > 0 || !jobs_.empty();
}

int CommandQueue::Waiting() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(jobs_.size());
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
    for (;;) {
        ScriptJob job;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (depth_ > 0 || jobs_.empty()) {
                return std::nullopt;
            }
            ++depth_;  // under the lock, so Busy never sees a job neither waiting nor running
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        // Asked outside the lock: the caller's check may take the caller's own lock.
        if (!job.callerWaiting || job.callerWaiting()) {
            return job;
        }
        --depth_;
    }
}

ScriptOutcome QueueFullOutcome(const ScriptCommand& command) {
    ScriptOutcome outcome;
    outcome.command = command.verb;
    outcome.busy = true;
    outcome.error = "命令队列已满，请稍后再试";
    return outcome;
}

std::optional<ScriptOutcome> StatusAtOnce(const ScriptCommand& command, const CommandQueue& queue,
                                          const StatusBoard& board) {
    if (command.verb == ScriptVerb::History) {
        ScriptOutcome history = board.Status(queue.Busy());
        history.command = ScriptVerb::History;
        history.history = board.History();
        return history;
    }
    if (command.verb != ScriptVerb::Status || !queue.Busy() || !board.Known()) {
        return std::nullopt;
    }
    return board.Status(true);
}

}  // namespace qv
