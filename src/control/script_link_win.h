#pragma once
// The running program's side of the command line: takes requests arriving as WM_COPYDATA on
// the main window, queues them, and sends each answer back to the caller's reply window.
// Everything here runs on the window's thread, except Wake.
#include <windows.h>

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "control/command_queue.h"
#include "control/script_host.h"
#include "control/status_board.h"
#include "control/text_codec.h"

namespace qv {

class ScriptLink {
  public:
    ScriptLink(ScriptHost& host, CommandQueue& queue, StatusBoard& board, const TextCodec& codec)
        : host_(host), queue_(queue), board_(board), codec_(codec) {}

    void SetMainWindow(HWND window) { mainWindow_ = window; }

    // The queue's wake, from any thread: at most one wake message waits at a time, so a
    // burst of requests does not fill the window's queue ahead of a person's input.
    void Wake(HWND mainWindow);

    // The form's message hook: WM_COPYDATA requests, the wake message and the run timer.
    std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

  private:
    LRESULT OnRequest(HWND replyWindow, const COPYDATASTRUCT& data);
    void Reply(HWND replyWindow, const std::string& cookie, const ScriptOutcome& outcome);
    void ScheduleRun();
    void SendHeldReplies();

    ScriptHost& host_;
    CommandQueue& queue_;
    StatusBoard& board_;
    const TextCodec& codec_;
    HWND mainWindow_ = nullptr;
    std::atomic<bool> wakePosted_{false};
    // Answers given at once (status while busy, queue full) go out after WM_COPYDATA has
    // returned: the window, and the cookie with the JSON.
    std::vector<std::pair<HWND, std::string>> heldReplies_;
};

}  // namespace qv
