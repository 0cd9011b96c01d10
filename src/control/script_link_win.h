#pragma once
// The running program's side of the command line: takes requests arriving as WM_COPYDATA on
// the main window, queues them, and sends each answer back to the caller's reply window.
// Everything here runs on the window's thread.
#include <windows.h>

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

    // The form's message hook: WM_COPYDATA requests and the queue's wake message.
    std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

  private:
    LRESULT OnRequest(HWND replyWindow, const COPYDATASTRUCT& data);
    void Reply(HWND replyWindow, const ScriptOutcome& outcome);
    void SendHeldReplies();

    ScriptHost& host_;
    CommandQueue& queue_;
    StatusBoard& board_;
    const TextCodec& codec_;
    HWND mainWindow_ = nullptr;
    // Answers given at once (status while busy) go out after WM_COPYDATA has returned.
    std::vector<std::pair<HWND, std::string>> heldReplies_;
};

}  // namespace qv
