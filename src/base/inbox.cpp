#include "base/inbox.h"

#include <utility>

namespace qv {

void Inbox::SetWake(Wake wake) {
    std::lock_guard<std::mutex> lock(mutex_);
    wake_ = std::move(wake);
    if (!work_.empty()) {
        WakeLocked();
    }
}

void Inbox::Post(std::function<void()> work) {
    std::lock_guard<std::mutex> lock(mutex_);
    work_.push_back(std::move(work));
    WakeLocked();
}

// Under the lock, so that a wake and the owner's taking of the queue cannot cross. A wake
// that fails is asked for again by the next post.
void Inbox::WakeLocked() {
    if (wakePending_ || !wake_) {
        return;
    }
    wakePending_ = wake_();
}

// One closure per wake, and the wake for the rest asked for before it runs: a closure that
// pumps messages (a command's wait) lets the next one start inside it, still in order, where
// a batch taken at once would run later work before the batch's rest.
void Inbox::RunPending() {
    std::function<void()> work;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        wakePending_ = false;
        if (work_.empty()) {
            return;
        }
        work = std::move(work_.front());
        work_.pop_front();
        if (!work_.empty()) {
            WakeLocked();
        }
    }
    if (work) {
        work();
    }
}

}  // namespace qv
