#include "control/script_client_win.h"

#include <windows.h>

#include <shellapi.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "control/result_json.h"
#include "control/script_args.h"
#include "control/script_output_win.h"
#include "control/script_wire_win.h"
#include "control/text_codec_win.h"

namespace qv {
namespace {

constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitUnreachable = 3;
constexpr const char* kReplyWindowClass = "QuorvaneScriptReply";
// Held while a caller looks for the program and starts it: two callers starting at once
// would otherwise start two programs.
constexpr const char* kStartMutexName = "Local\\QuorvaneScriptStart";
constexpr DWORD kPollMs = 50;

std::vector<std::string> Arguments() {
    std::vector<std::string> arguments;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) {
        return arguments;
    }
    for (int i = 1; i < count; ++i) {
        const int bytes =
            WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string argument(bytes > 0 ? static_cast<std::size_t>(bytes) : 1, '\0');
        WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, argument.data(), bytes, nullptr, nullptr);
        argument.resize(argument.size() - 1);
        arguments.push_back(argument);
    }
    LocalFree(wide);
    return arguments;
}

// Deadline arithmetic on the tick count, right across its wrap.
struct Deadline {
    DWORD start = GetTickCount();
    DWORD span;
    DWORD Left() const {
        const DWORD elapsed = GetTickCount() - start;
        return elapsed >= span ? 0 : span - elapsed;
    }
};

HWND FindProgramWindow() {
    HWND window = FindWindowA(kMainWindowClassName, nullptr);
    return window != nullptr && IsWindowVisible(window) ? window : nullptr;
}

bool StartProgram() {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return false;
    }
    std::string command = std::string("\"") + path + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    // No handles inherited, no standard handles passed on (Wine hands the caller's on
    // otherwise): the program must not hold the caller's output pipe open.
    startup.dwFlags = STARTF_USESTDHANDLES;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(path, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        return false;
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return true;
}

HWND FindOrStartProgram(const Deadline& deadline) {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, kStartMutexName);
    const bool owned =
        mutex != nullptr && WaitForSingleObject(mutex, deadline.Left()) != WAIT_TIMEOUT;
    HWND window = FindProgramWindow();
    if (window == nullptr && StartProgram()) {
        while (window == nullptr && deadline.Left() > 0) {
            Sleep(kPollMs);
            window = FindProgramWindow();
        }
    }
    if (owned) {
        ReleaseMutex(mutex);
    }
    if (mutex != nullptr) {
        CloseHandle(mutex);
    }
    return window;
}

LRESULT CALLBACK ReplyWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA) {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        auto* reply = reinterpret_cast<std::string*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (data == nullptr || data->dwData != kScriptReplyTag || reply == nullptr ||
            !reply->empty() || data->lpData == nullptr || data->cbData == 0 ||
            data->cbData > 65536) {
            return FALSE;
        }
        reply->assign(static_cast<const char*>(data->lpData), data->cbData);
        return TRUE;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// A message-only window that receives the answer into `reply`.
HWND MakeReplyWindow(std::string& reply) {
    WNDCLASSA cls = {};
    cls.lpfnWndProc = &ReplyWindowProc;
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.lpszClassName = kReplyWindowClass;
    RegisterClassA(&cls);
    HWND window = CreateWindowExA(0, kReplyWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  cls.hInstance, nullptr);
    if (window != nullptr) {
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&reply));
    }
    return window;
}

// The program may still be starting: its window takes requests once its procedure is in
// place, so a refused request is tried again until the deadline.
bool HandOver(HWND program, HWND replyWindow, const ScriptCommand& command,
              const Deadline& deadline) {
    std::string payload;
    for (const std::string& argument : CommandArguments(command)) {
        payload += (payload.empty() ? "" : "\n") + argument;
    }
    for (;;) {
        if (SendCopyData(program, replyWindow, kScriptRequestTag, payload, deadline.Left())) {
            return true;
        }
        if (deadline.Left() == 0 || !IsWindow(program)) {
            return false;
        }
        Sleep(kPollMs);
    }
}

bool WaitForReply(const std::string& reply, const Deadline& deadline) {
    while (reply.empty()) {
        const DWORD left = deadline.Left();
        if (left == 0) {
            return false;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, left, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&msg);
        }
    }
    return true;
}

int Finish(const ScriptCommand& command, const std::string& error, int exitCode) {
    ScriptOutcome outcome;
    outcome.command = command.verb;
    outcome.error = error;
    WriteOutputLine(ResultJson(outcome, WinTextCodec()));
    return exitCode;
}

int RunClient(const std::vector<std::string>& arguments) {
    const ParsedArgs parsed = ParseClientArgs(arguments);
    if (!parsed.args) {
        WriteOutputLine(parsed.error + "\n" + kClientUsage);
        return kExitUsage;
    }
    const ScriptCommand command = parsed.args->command;
    const Deadline deadline{GetTickCount(), static_cast<DWORD>(parsed.args->timeoutSeconds) * 1000};
    std::string reply;
    HWND replyWindow = MakeReplyWindow(reply);
    HWND program = replyWindow ? FindOrStartProgram(deadline) : nullptr;
    if (program == nullptr || !HandOver(program, replyWindow, command, deadline)) {
        return Finish(command, "无法连接到Quorvane", kExitUnreachable);
    }
    if (!WaitForReply(reply, deadline)) {
        return Finish(command, "等待结果超时", kExitFailed);
    }
    WriteOutputLine(reply);
    const nlohmann::json answer = nlohmann::json::parse(reply, nullptr, false);
    const bool ok = !answer.is_discarded() && answer.is_object() && answer.value("ok", false);
    return ok ? kExitDone : kExitFailed;
}

}  // namespace

std::optional<int> RunScriptClient() {
    const std::vector<std::string> arguments = Arguments();
    if (arguments.empty()) {
        return std::nullopt;
    }
    try {
        return RunClient(arguments);
    } catch (...) {
        return kExitFailed;
    }
}

}  // namespace qv
