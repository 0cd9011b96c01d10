#pragma once
// The command line's link to the running program: WM_COPYDATA both ways. The request
// carries the command's arguments, one a line, then a NUL and the caller's cookie, and the
// caller's reply window in wParam; the answer comes back to that window as the cookie, a
// NUL and the JSON line, with the program's window in wParam. Any process can send
// WM_COPYDATA: the cookie, unknown to others, tells the caller which answer is the program's.
#include <windows.h>

#include <optional>
#include <string>

#include "base/main_window_win.h"

namespace qv {

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

}  // namespace qv
