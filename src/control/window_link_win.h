#pragma once
// The command line's link on the main window: WM_COPYDATA both ways.
#include <windows.h>

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "base/main_window_win.h"
#include "control/host.h"
#include "control/protocol.h"
#include "control/script_host.h"

namespace qv {

// The command line's link to the running program: WM_COPYDATA both ways. The request
// carries the command's arguments, one a line, then a NUL and the caller's cookie, and the
// caller's reply window in wParam; the answer comes back to that window as the cookie, a
// NUL and the JSON line, with the program's window in wParam. Any process can send
// WM_COPYDATA: the cookie, unknown to others, tells the caller which answer is the program's.

inline constexpr ULONG_PTR kScriptRequestTag = 0x51565251;  // "QVRQ"
inline constexpr ULONG_PTR kScriptReplyTag = 0x51565250;    // "QVRP"
inline constexpr DWORD kMaxScriptRequestBytes = 256;
inline constexpr std::size_t kMaxCookieBytes = 32;
// A caller pumps its reply window all the time; one that does not answer within this is
// gone or hung and must not hold the program's window.
inline constexpr UINT kReplySendMs = 500;

enum class SendMode {
    // To the program: a window blocked in a long dial is busy, not hung.
    WaitWhileBusy,
    // To a caller: a hung reply window is given up at once.
    GiveUpIfHung,
};

// Sends `payload` with `tag` to `window`; true when it was taken (the window answered TRUE).
bool SendCopyData(HWND window, HWND from, ULONG_PTR tag, const std::string& payload, UINT timeoutMs,
                  SendMode mode = SendMode::WaitWhileBusy);

// A request's two parts; nullopt when the cookie is missing or too long.
struct RequestParts {
    std::string arguments;  // one a line
    std::string cookie;
};
std::optional<RequestParts> SplitRequest(const std::string& payload);

// The running program's side of the command line: takes requests arriving as WM_COPYDATA on
// the main window, queues them, and sends each answer back to the caller's reply window.
// Everything here runs on the window's thread.

class ScriptLink {
  public:
    ScriptLink(ScriptHost& host, CommandQueue& queue, StatusBoard& board, const TextCodec& codec)
        : host_(host), queue_(queue), board_(board), codec_(codec) {}

    void SetMainWindow(HWND window) { mainWindow_ = window; }

    // The queue's wake, handed to the window's thread through the inbox: the next command
    // runs on the run timer, which comes after input and paint.
    void RunSoon();

    // The form's message hook: WM_COPYDATA requests and the run timer.
    std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

  private:
    LRESULT OnRequest(HWND replyWindow, const COPYDATASTRUCT& data);
    void Reply(HWND replyWindow, const std::string& cookie, const ScriptOutcome& outcome);
    void SendHeldReplies();

    ScriptHost& host_;
    CommandQueue& queue_;
    StatusBoard& board_;
    const TextCodec& codec_;
    HWND mainWindow_ = nullptr;
    // Answers given at once (status while busy, queue full) go out after WM_COPYDATA has
    // returned: the window, and the cookie with the JSON.
    std::vector<std::pair<HWND, std::string>> heldReplies_;
};

}  // namespace qv
