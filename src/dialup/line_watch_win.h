#pragma once
// Watches whether a dial-up line is up, on a thread of its own, and tells when it goes down:
// the system's connection-end notification wakes it at once, and a poll every 5 s covers the
// systems where that notification never arrives. Between the two it sleeps in a wait, so a
// line that stays up costs no processor time. It never touches a window.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>

#include "base/system_handles_win.h"

namespace qv {

inline constexpr std::uint32_t kLineWatchPollMs = 5000;

class LineWatch {
  public:
    // `pollMs`: the program's 5 s; tests ask for less.
    explicit LineWatch(std::uint32_t pollMs = kLineWatchPollMs) : pollMs_(pollMs) {}
    ~LineWatch() { Stop(); }
    LineWatch(const LineWatch&) = delete;
    LineWatch& operator=(const LineWatch&) = delete;

    // Starts watching: `onLineDown` runs on the watch's own thread each time the line goes from
    // connected (any connection in RASCS_Connected) to not connected. It must be cheap and
    // must not touch a window: post to the window's thread instead. False when already
    // watching or when the thread cannot be started.
    bool Start(std::function<void()> onLineDown);
    // Stops watching and waits for the thread to end (a callback under way finishes first).
    // Called from the callback itself, it only asks the thread to end (destroy the watch on
    // another thread).
    void Stop();
    bool Watching() const { return static_cast<bool>(thread_); }
    // A line of ours just came up. The watch looks only on a notice or a poll, so a line that
    // drops before the next poll would otherwise never have been seen up, and its end not told.
    void LineUp() { lineUp_ = true; }

  private:
    static DWORD WINAPI ThreadMain(void* self);
    void Run();

    const std::uint32_t pollMs_;
    std::function<void()> onLineDown_;
    KernelObject stop_;
    KernelObject lineEnded_;
    bool registered_ = false;  // the system keeps the registration: made once per watch
    bool connectedAtStart_ = false;
    std::atomic<bool> lineUp_ = false;
    KernelObject thread_;
    DWORD threadId_ = 0;
};

}  // namespace qv
