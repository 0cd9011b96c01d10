#include "control/window_link_win.h"

#include "base/failure_record_win.h"
#include "control/protocol.h"

namespace qv {

bool SendCopyData(HWND window, HWND from, ULONG_PTR tag, const std::string& payload, UINT timeoutMs,
                  SendMode mode) {
    COPYDATASTRUCT data = {};
    data.dwData = tag;
    data.cbData = static_cast<DWORD>(payload.size());
    data.lpData = const_cast<char*>(payload.data());
    DWORD_PTR result = 0;
    const UINT flags = mode == SendMode::GiveUpIfHung ? SMTO_ABORTIFHUNG : SMTO_NORMAL;
    if (!SendMessageTimeoutA(window, WM_COPYDATA, reinterpret_cast<WPARAM>(from),
                             reinterpret_cast<LPARAM>(&data), flags, timeoutMs, &result)) {
        return false;
    }
    return result == TRUE;
}

std::optional<RequestParts> SplitRequest(const std::string& payload) {
    const std::size_t end = payload.find('\0');
    if (end == std::string::npos || end == 0 || payload.size() - end - 1 > kMaxCookieBytes ||
        payload.size() - end - 1 == 0) {
        return std::nullopt;
    }
    return RequestParts{payload.substr(0, end), payload.substr(end + 1)};
}

namespace {

std::vector<std::string> RequestLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string ReplyPayload(const std::string& cookie, const std::string& json) {
    return cookie + '\0' + json;
}

}  // namespace

std::optional<LRESULT> ScriptLink::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        if (message == WM_TIMER && wParam == kRunScriptsTimerId) {
            KillTimer(mainWindow_, kRunScriptsTimerId);
            SendHeldReplies();
            host_.RunNext();
            return 0;
        }
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (message != WM_COPYDATA || data == nullptr || data->dwData != kScriptRequestTag) {
            return std::nullopt;
        }
        return OnRequest(reinterpret_cast<HWND>(wParam), *data);
    } catch (...) {
        RecordFailure("scripted request (out of memory)", ERROR_OUTOFMEMORY);
        return message == WM_COPYDATA ? std::optional<LRESULT>(FALSE) : std::nullopt;
    }
}

// One timer, set again by every wake: wakes that come while it waits fold into it.
void ScriptLink::RunSoon() {
    if (SetTimer(mainWindow_, kRunScriptsTimerId, 0, nullptr) == 0) {
        RecordFailure("SetTimer (scripted commands)", GetLastError());
    }
}

// Any process can send WM_COPYDATA: only a well-formed command with a live reply window
// reaches the queue.
LRESULT ScriptLink::OnRequest(HWND replyWindow, const COPYDATASTRUCT& data) {
    if (replyWindow == nullptr || !IsWindow(replyWindow) || data.lpData == nullptr ||
        data.cbData == 0 || data.cbData > kMaxScriptRequestBytes) {
        return FALSE;
    }
    const auto request =
        SplitRequest(std::string(static_cast<const char*>(data.lpData), data.cbData));
    if (!request) {
        return FALSE;
    }
    const ParsedArgs parsed = ParseClientArgs(RequestLines(request->arguments));
    if (!parsed.args) {
        return FALSE;
    }
    const ScriptCommand command = parsed.args->command;
    const std::string cookie = request->cookie;
    if (const auto status = StatusAtOnce(command, queue_, board_)) {
        heldReplies_.emplace_back(replyWindow, ReplyPayload(cookie, ResultJson(*status, codec_)));
        RunSoon();
        return TRUE;
    }
    // A caller that has gone (ended, or gave up waiting) leaves no command to run.
    if (!queue_.Submit({command,
                        [this, replyWindow, cookie](const ScriptOutcome& outcome) {
                            Reply(replyWindow, cookie, outcome);
                        },
                        [replyWindow] { return IsWindow(replyWindow) != FALSE; }})) {
        heldReplies_.emplace_back(
            replyWindow, ReplyPayload(cookie, ResultJson(QueueFullOutcome(command), codec_)));
        RunSoon();
    }
    return TRUE;
}

void ScriptLink::Reply(HWND replyWindow, const std::string& cookie, const ScriptOutcome& outcome) {
    try {
        if (!SendCopyData(replyWindow, mainWindow_, kScriptReplyTag,
                          ReplyPayload(cookie, ResultJson(outcome, codec_)), kReplySendMs,
                          SendMode::GiveUpIfHung)) {
            RecordFailure("SendMessageTimeoutA (a script's answer)", GetLastError());
        }
    } catch (...) {
        RecordFailure("a script's answer (out of memory)", ERROR_OUTOFMEMORY);
    }
}

void ScriptLink::SendHeldReplies() {
    std::vector<std::pair<HWND, std::string>> replies;
    replies.swap(heldReplies_);
    for (const auto& [window, payload] : replies) {
        SendCopyData(window, mainWindow_, kScriptReplyTag, payload, kReplySendMs,
                     SendMode::GiveUpIfHung);
    }
}

}  // namespace qv
