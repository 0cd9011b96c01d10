#pragma once
// The window thread's side of scripting: every event handler passes through Raise, so the
// host knows when no command runs; queued scripted commands run then, one at a time, as the
// buttons would run them, and their outcomes are published for status requests.
#include <ctime>
#include <functional>

#include "app/app_state.h"
#include "app/assistant.h"
#include "app/ports.h"
#include "control/host.h"
#include "control/protocol.h"

namespace qv {

// Follows the line for the status board: what a status answered while a command runs tells
// (the line's state and address, a pending retry).
class BoardListener final : public LineListeners {
  public:
    // `now`: seconds since 1970, for the history.
    explicit BoardListener(
        StatusBoard& board, std::function<std::int64_t()> now = [] { return std::time(nullptr); })
        : board_(board), now_(std::move(now)) {}
    void BeforeHangUp() override {}
    void OnLineEvent(const LineEvent& event) override {
        board_.FollowLine(event.kind == LineEventKind::Connected, event.ip);
        if (event.kind != LineEventKind::Connected) {
            board_.AddressWent(now_());
        } else if (event.kept && !event.ip.empty()) {
            board_.AddressCame(event.ip, now_());
        }
    }
    void OnRetryWait(std::uint32_t rasError, std::uint32_t milliseconds) override {
        board_.SetRetry(rasError, milliseconds);
    }
    void OnWaiting(WaitKind kind) override { board_.SetWaiting(kind); }

  private:
    StatusBoard& board_;
    std::function<std::int64_t()> now_;
};

class ScriptHost {
  public:
    ScriptHost(Assistant& assistant, AppState& state, Services& services, CommandQueue& queue,
               StatusBoard& board)
        : assistant_(assistant), state_(state), s_(services), queue_(queue), board_(board) {}

    // Runs an event's handler as a person's command, even inside a scripted one.
    std::intptr_t Raise(Handler handler, std::intptr_t a, std::intptr_t b);

    // The line watch saw the line go down; like a handler, it holds scripted commands back.
    void LineDown();
    // What 无人值守 asks of a start, held like a handler too.
    void StartUnattended(const UnattendedSettings& settings);

    // Runs the next queued command when none runs; called when the queue wakes the thread.
    void RunNext();

    // Runs one command now and publishes its outcome.
    ScriptOutcome Run(const ScriptCommand& command,
                      CommandSource source = CommandSource::CommandLine);

  private:
    CommandResult Execute(const ScriptCommand& command, CommandSource source);

    Assistant& assistant_;
    AppState& state_;
    Services& s_;
    CommandQueue& queue_;
    StatusBoard& board_;
};

}  // namespace qv
