#pragma once
// Tells other programs what happened to the line: runs the configured command and POSTs to
// the configured address after each line event. Each part has its own worker thread that
// takes the events from its own bounded queue in order, so neither ever delays a dial, a
// redial, the window or the other part.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "app/ports.h"
#include "notify/notify_settings.h"

namespace qv {

struct NotifierTimings {
    std::uint32_t hookLimitMs = 60000;  // then the command is ended
    std::uint32_t tryLimitMs = 10000;   // each of connect, send and receive of one POST
    std::uint32_t firstRetryMs = 1000;  // before the second POST; doubles before the third
};

class Notifier final : public LineListeners {
  public:
    // Called on the worker thread, once when the command or the address starts failing and
    // not again until it has worked once more. It must not wait on the window's thread.
    using ProblemCallback = std::function<void(const Text& problem)>;
    static constexpr std::size_t kQueueLimit = 32;  // beyond it the oldest waiting is dropped
    static constexpr int kPostTries = 3;

    // With neither part on, no thread is started and events are ignored.
    Notifier(const NotifySettings& settings, ProblemCallback onProblem,
             NotifierTimings timings = {});
    // Returns promptly: a running command is left running, a POST under way is abandoned.
    ~Notifier() override;
    Notifier(const Notifier&) = delete;
    Notifier& operator=(const Notifier&) = delete;

    void BeforeHangUp() override {}
    // Queues the event with its time and returns at once.
    void OnLineEvent(const LineEvent& event) override;

  private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
};

}  // namespace qv
