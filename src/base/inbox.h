#pragma once
// Work handed to one owner thread (the window's) from any thread: a locked queue of closures
// and at most one wake pending. Wakes that come while one is pending fold into it; work posted
// while the owner runs the queue asks for a new wake, so none is lost. Every worker of ours
// reaches the window's thread this way and no other.
#include <deque>
#include <functional>
#include <mutex>

namespace qv {

class Inbox {
  public:
    // Asks the owner thread to call RunPending soon; false when it cannot (no window).
    using Wake = std::function<bool()>;

    Inbox() = default;
    Inbox(const Inbox&) = delete;
    Inbox& operator=(const Inbox&) = delete;

    // On the owner thread, once it can be woken: work posted before then is woken for now.
    void SetWake(Wake wake);
    // From any thread.
    void Post(std::function<void()> work);
    // On the owner thread, for each wake: runs the oldest closure posted.
    void RunPending();

  private:
    void WakeLocked();

    std::mutex mutex_;
    std::deque<std::function<void()>> work_;
    Wake wake_;
    bool wakePending_ = false;
};

}  // namespace qv
