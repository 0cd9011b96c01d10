#include "control/script_link_win.h"

#include "base/failure_record_win.h"
#include "control/result_json.h"
#include "control/script_args.h"
#include "control/script_wire_win.h"

namespace qv {
namespace {

std::vector<std::string> RequestLines(const COPYDATASTRUCT& data) {
    std::vector<std::string> lines;
    const std::string text(static_cast<const char*>(data.lpData), data.cbData);
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

}  // namespace

std::optional<LRESULT> ScriptLink::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        if (message == kRunScriptsMessage) {
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

// Any process can send WM_COPYDATA: only a well-formed command with a live reply window
// reaches the queue.
LRESULT ScriptLink::OnRequest(HWND replyWindow, const COPYDATASTRUCT& data) {
    if (replyWindow == nullptr || !IsWindow(replyWindow) || data.lpData == nullptr ||
        data.cbData == 0 || data.cbData > kMaxScriptRequestBytes) {
        return FALSE;
    }
    const ParsedArgs parsed = ParseClientArgs(RequestLines(data));
    if (!parsed.args) {
        return FALSE;
    }
    const ScriptCommand command = parsed.args->command;
    // A busy program answers a status at once from what it last knew; during its start-up
    // it knows nothing yet, and the request waits like any other.
    if (command.verb == ScriptVerb::Status && queue_.Busy() && board_.Known()) {
        heldReplies_.emplace_back(replyWindow, ResultJson(board_.Status(true), codec_));
        PostMessageA(mainWindow_, kRunScriptsMessage, 0, 0);
        return TRUE;
    }
    if (!queue_.Submit(
            {command,
             [this, replyWindow](const ScriptOutcome& outcome) { Reply(replyWindow, outcome); },
             {}})) {
        heldReplies_.emplace_back(replyWindow, ResultJson(QueueFullOutcome(command), codec_));
        PostMessageA(mainWindow_, kRunScriptsMessage, 0, 0);
    }
    return TRUE;
}

void ScriptLink::Reply(HWND replyWindow, const ScriptOutcome& outcome) {
    try {
        if (!SendCopyData(replyWindow, mainWindow_, kScriptReplyTag, ResultJson(outcome, codec_),
                          kReplySendMs)) {
            RecordFailure("SendMessageTimeoutA (a script's answer)", GetLastError());
        }
    } catch (...) {
        RecordFailure("a script's answer (out of memory)", ERROR_OUTOFMEMORY);
    }
}

void ScriptLink::SendHeldReplies() {
    std::vector<std::pair<HWND, std::string>> replies;
    replies.swap(heldReplies_);
    for (const auto& [window, json] : replies) {
        SendCopyData(window, mainWindow_, kScriptReplyTag, json, kReplySendMs);
    }
}

}  // namespace qv
