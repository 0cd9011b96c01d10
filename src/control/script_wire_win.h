#pragma once
// The command line's link to the running program: WM_COPYDATA both ways. The request
// carries the command's arguments, one a line, and the caller's reply window in wParam; the
// answer comes back to that window as the JSON line.
#include <windows.h>

#include <string>

namespace qv {

inline constexpr const char* kMainWindowClassName = "QuorvaneMainWindow";
// Posted to the main window when a scripted command waits its turn; reaches the link through
// the form's message hook (the form's own private message is WM_APP + 1).
inline constexpr UINT kRunScriptsMessage = WM_APP + 2;
inline constexpr ULONG_PTR kScriptRequestTag = 0x51565251;  // "QVRQ"
inline constexpr ULONG_PTR kScriptReplyTag = 0x51565250;    // "QVRP"
inline constexpr DWORD kMaxScriptRequestBytes = 256;
inline constexpr UINT kReplySendMs = 5000;  // a caller that stopped reading is given up

// Sends `payload` with `tag` to `window`; true when it was taken (the window answered TRUE).
bool SendCopyData(HWND window, HWND from, ULONG_PTR tag, const std::string& payload,
                  UINT timeoutMs);

}  // namespace qv
