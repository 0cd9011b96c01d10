#pragma once
// Those who follow the line, wired to the assistant: the line watch, the proxy pool and the
// notifications, each started only when Config.ini asks for it. Their threads post to the main
// window; what they post is handled here, on the window's thread.
#include <windows.h>

#include <memory>
#include <mutex>
#include <optional>

#include "app/assistant.h"
#include "app/line_listener_list.h"
#include "control/scripting_win.h"
#include "dialup/line_watch_win.h"
#include "notify/notifier_win.h"
#include "pool/pool_listener.h"
#include "pool/pool_publisher.h"

namespace qv {

class LineWiring {
  public:
    LineWiring(Assistant& assistant, Services& services, Scripting& scripting, HWND mainWindow);
    LineWiring(const LineWiring&) = delete;
    LineWiring& operator=(const LineWiring&) = delete;

    // After the window's start-up, once Config.ini's settings are read.
    void Start();
    // The messages the watch, the pool and the notifications post.
    std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // At the program's end: the watch first (our own teardown is no drop), then the pool, whose
    // field stays while the line does and whose key expires on its own.
    void Stop();

  private:
    // The watch learns that the line is up only from its 5 s poll, so a drop within 5 s of a
    // dial would go untold: after every dial it is started again and looks at once.
    class WatchRestart final : public LineListeners {
      public:
        explicit WatchRestart(LineWiring& wiring) : wiring_(wiring) {}
        void BeforeHangUp() override {}
        void OnLineEvent(const LineEvent& event) override {
            if (event.kind == LineEventKind::Connected) {
                wiring_.StartWatch(true);
            }
        }

      private:
        LineWiring& wiring_;
    };

    void ShowOnce(const Text& text, IconKind kind);
    void StartWatch(bool again);

    Assistant& assistant_;
    Services& s_;
    Scripting& scripting_;
    HWND mainWindow_;
    LineListenerList listeners_;
    PoolSettings poolSettings_;
    std::unique_ptr<PoolPublisher> pool_;
    std::unique_ptr<PoolListener> poolListener_;
    std::unique_ptr<Notifier> notifier_;
    LineWatch watch_;
    WatchRestart watchRestart_{*this};
    // Set on worker threads, read on the window's thread when their message arrives.
    std::mutex mutex_;
    std::optional<PoolHealth> poolHealth_;
    Text notifyProblem_;
};

}  // namespace qv
