#include "control/command_line_win.h"

#include <windows.h>

#include <ntsecapi.h>
#include <shellapi.h>
#include <algorithm>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "base/failure_record_win.h"
#include "base/system_handles_win.h"
#include "control/autostart_win.h"
#include "control/instance_win.h"
#include "control/protocol.h"
#include "control/text_codec_win.h"
#include "control/window_link_win.h"

namespace qv {

namespace {

bool WriteAll(HANDLE handle, const std::string& bytes) {
    DWORD written = 0;
    return WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

// WriteConsoleW shows the texts whatever the console's code page is.
bool WriteConsoleLine(HANDLE console, const std::string& utf8) {
    DWORD mode = 0;
    if (!GetConsoleMode(console, &mode)) {
        return false;
    }
    const std::wstring wide = Utf8ToWide(utf8) + L"\r\n";
    DWORD written = 0;
    return WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written,
                         nullptr) != FALSE;
}

}  // namespace

bool WriteOutputLine(const std::string& utf8) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out != nullptr && out != INVALID_HANDLE_VALUE) {
        const DWORD type = GetFileType(out);
        if (type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE) {
            return WriteAll(out, utf8 + "\n");
        }
        if (type == FILE_TYPE_CHAR && WriteConsoleLine(out, utf8)) {
            return true;
        }
    }
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) {
        return false;  // started without a console and without a redirection: nobody reads it
    }
    HANDLE console = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    if (console == INVALID_HANDLE_VALUE) {
        return false;
    }
    const KernelObject owner(console);
    return WriteConsoleLine(console, utf8);
}

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
// A caller that waited this long for another's start leaves itself time for the hand-over.
constexpr DWORD kStartLockWaitMs = 15000;
// A program that this caller started and could not hand over to is given this to close.
constexpr DWORD kCloseWaitMs = 5000;

constexpr const char* kUnreachable = "无法连接到Quorvane";
constexpr const char* kOtherSession = "无法从此会话连接到Quorvane，请使用HTTP远程控制";
constexpr const char* kProgramEnded = "Quorvane已退出，命令结果未知";
constexpr const char* kTimedOut = "等待结果超时";

std::vector<std::string> Arguments() {
    std::vector<std::string> arguments;
    const LPCWSTR commandLine = GetCommandLineW();
    // A person's start has none. Its parser is shell32's, which is loaded on its first call:
    // the tray needs it only after the window is painted.
    if (!CommandLineHasArguments(commandLine)) {
        return arguments;
    }
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(commandLine, &count);
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
    HWND window = FindMainWindow();
    return window != nullptr && IsWindowVisible(window) ? window : nullptr;
}

// The started program gets handles on NUL for its standard ones and inherits nothing else,
// so that a script reading this caller's output through a pipe sees its end when this caller
// ends, not when the program does. Empty handles are not enough: Wine then gives the child
// the caller's own.
KernelObject StartProgram() {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return {};
    }
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    HANDLE nul =
        CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    &inheritable, OPEN_EXISTING, 0, nullptr);
    if (nul == INVALID_HANDLE_VALUE) {
        RecordFailure("CreateFileA (NUL)", GetLastError());
        return {};
    }
    const KernelObject nulOwner(nul);
    // Where the handle list is not honoured, this caller's own handles still stay behind.
    for (DWORD which : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
        HANDLE own = GetStdHandle(which);
        if (own != nullptr && own != INVALID_HANDLE_VALUE) {
            SetHandleInformation(own, HANDLE_FLAG_INHERIT, 0);
        }
    }
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::vector<char> listBytes(size);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(listBytes.data());
    const bool made = size > 0 && InitializeProcThreadAttributeList(list, 1, 0, &size);
    const bool listed =
        made && UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, &nul,
                                          sizeof nul, nullptr, nullptr);
    STARTUPINFOEXA startup = {};
    startup.StartupInfo.cb = listed ? sizeof startup : sizeof startup.StartupInfo;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = nul;
    startup.StartupInfo.hStdOutput = nul;
    startup.StartupInfo.hStdError = nul;
    startup.lpAttributeList = listed ? list : nullptr;
    std::string command = std::string("\"") + path + "\"";
    PROCESS_INFORMATION info = {};
    const bool started = CreateProcessA(path, command.data(), nullptr, nullptr, TRUE,
                                        listed ? EXTENDED_STARTUPINFO_PRESENT : 0, nullptr, nullptr,
                                        &startup.StartupInfo, &info) != FALSE;
    const DWORD error = GetLastError();
    if (made) {
        DeleteProcThreadAttributeList(list);
    }
    if (!started) {
        RecordFailure("CreateProcessA (the program for a script)", error);
        return {};
    }
    const KernelObject thread(info.hThread);
    return KernelObject(info.hProcess);
}

// Waits for the program's visible window until the deadline. A program this caller started
// that ended has found another one here (whose window then comes) or in another session.
HWND WaitForWindow(const Deadline& deadline, HANDLE started) {
    for (;;) {
        if (HWND window = FindProgramWindow()) {
            return window;
        }
        const DWORD left = deadline.Left();
        if (left == 0) {
            return nullptr;
        }
        if (started == nullptr) {
            Sleep(std::min(left, kPollMs));
        } else if (WaitForSingleObject(started, std::min(left, kPollMs)) == WAIT_OBJECT_0) {
            if (RunningInstance() != InstancePlace::ThisSession) {
                return FindProgramWindow();
            }
            started = nullptr;
        }
    }
}

struct Reached {
    HWND window = nullptr;
    KernelObject started;  // the program, when this caller started it
    const char* error = kUnreachable;
};

Reached FindOrStartProgram(const Deadline& deadline) {
    Reached reached;
    if ((reached.window = FindProgramWindow()) != nullptr) {
        return reached;
    }
    // A program in another session (this caller runs over SSH or as a scheduled task) is
    // out of reach of window messages, and a second one would fight it over the line.
    if (RunningInstance() == InstancePlace::OtherSession) {
        reached.error = kOtherSession;
        return reached;
    }
    const KernelObject lock(CreateMutexA(nullptr, FALSE, kStartMutexName));
    const DWORD waited =
        lock ? WaitForSingleObject(lock.get(), std::min(deadline.Left(), kStartLockWaitMs))
             : WAIT_FAILED;
    const bool owned = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    const ScopeGuard release([&] {
        if (owned) {
            ReleaseMutex(lock.get());
        }
    });
    const InstancePlace place = RunningInstance();
    if (place == InstancePlace::OtherSession) {
        reached.error = kOtherSession;
        return reached;
    }
    // Without the lock, its holder is starting the program: its window is waited for.
    if (owned && place == InstancePlace::None && !(reached.started = StartProgram())) {
        return reached;
    }
    reached.window = WaitForWindow(deadline, reached.started.get());
    if (reached.window == nullptr && RunningInstance() == InstancePlace::OtherSession) {
        reached.error = kOtherSession;  // the one it started found a program there meanwhile
    }
    return reached;
}

// A caller that gave up leaves no half-started program behind, and only ever ends one that
// it started itself.
void EndStartedProgram(HANDLE started, HWND window) {
    if (window != nullptr && IsWindow(window)) {
        PostMessageA(window, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(started, kCloseWaitMs) == WAIT_OBJECT_0) {
            return;
        }
    }
    TerminateProcess(started, kExitUnreachable);
}

// What the reply window takes: only the answer from the program's window carrying this
// call's cookie (a forged one from another process is refused).
struct ReplySlot {
    HWND program = nullptr;
    std::string cookie;
    std::string reply;
};

bool NewCookie(std::string& cookie) {
    unsigned char bytes[kMaxCookieBytes / 2] = {};
    if (!RtlGenRandom(bytes, sizeof bytes)) {
        RecordFailure("RtlGenRandom (a call's cookie)", GetLastError());
        return false;
    }
    constexpr char kHex[] = "0123456789abcdef";
    for (unsigned char byte : bytes) {
        cookie += kHex[byte >> 4];
        cookie += kHex[byte & 15];
    }
    return true;
}

LRESULT CALLBACK ReplyWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_COPYDATA) {
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    auto* slot = reinterpret_cast<ReplySlot*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (data == nullptr || data->dwData != kScriptReplyTag || slot == nullptr ||
        !slot->reply.empty() || reinterpret_cast<HWND>(wParam) != slot->program ||
        data->lpData == nullptr || data->cbData > 65536) {
        return FALSE;
    }
    const std::string payload(static_cast<const char*>(data->lpData), data->cbData);
    const std::string prefix = slot->cookie + '\0';
    if (payload.size() <= prefix.size() || payload.compare(0, prefix.size(), prefix) != 0) {
        return FALSE;
    }
    slot->reply = payload.substr(prefix.size());
    return TRUE;
}

// A message-only window that receives the answer into `slot`.
HWND MakeReplyWindow(ReplySlot& slot) {
    WNDCLASSA cls = {};
    cls.lpfnWndProc = &ReplyWindowProc;
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.lpszClassName = kReplyWindowClass;
    RegisterClassA(&cls);
    HWND window = CreateWindowExA(0, kReplyWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  cls.hInstance, nullptr);
    if (window != nullptr) {
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&slot));
    }
    return window;
}

// The program may still be starting: its window takes requests once its procedure is in
// place, so a refused request is tried again until the deadline.
bool HandOver(HWND program, HWND replyWindow, const ScriptCommand& command,
              const std::string& cookie, const Deadline& deadline) {
    std::string payload;
    for (const std::string& argument : CommandArguments(command)) {
        payload += (payload.empty() ? "" : "\n") + argument;
    }
    payload += '\0' + cookie;
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

void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageA(&msg);
    }
}

enum class Waited { Replied, ProgramEnded, TimedOut };

// Waits for the answer while watching the program's process: a program closed or killed
// meanwhile ends the wait at once.
Waited WaitForReply(const ReplySlot& slot, HANDLE program, const Deadline& deadline) {
    const DWORD watched = program != nullptr ? 1 : 0;
    for (;;) {
        PumpMessages();
        if (!slot.reply.empty()) {
            return Waited::Replied;
        }
        const DWORD left = deadline.Left();
        if (left == 0) {
            return Waited::TimedOut;
        }
        if (MsgWaitForMultipleObjects(watched, &program, FALSE, left, QS_ALLINPUT) ==
                WAIT_OBJECT_0 &&
            watched == 1) {
            PumpMessages();  // an answer sent just before the end
            return slot.reply.empty() ? Waited::ProgramEnded : Waited::Replied;
        }
    }
}

int Finish(const ScriptCommand& command, const std::string& error, int exitCode) {
    ScriptOutcome outcome;
    outcome.command = command.verb;
    outcome.error = error;
    WriteOutputLine(ResultJson(outcome, WinTextCodec()));
    return exitCode;
}

// Started from a shortcut or by a click there is nowhere to print: the box says why nothing
// else happens.
int UsageError(const std::string& error) {
    const std::string text = error + "\n" + kClientUsage;
    if (!WriteOutputLine(text)) {
        MessageBoxW(nullptr, Utf8ToWide(text).c_str(), L"Quorvane", MB_OK | MB_ICONWARNING);
    }
    return kExitUsage;
}

int RunClient(const std::vector<std::string>& arguments) {
    if (const auto autostart = ParseAutostartArgs(arguments)) {
        if (!autostart->action) {
            return UsageError(autostart->error);
        }
        const AutostartAnswer answer = RunAutostart(*autostart->action);
        WriteOutputLine(answer.json);
        return answer.exitCode;
    }
    const ParsedArgs parsed = ParseClientArgs(arguments);
    if (!parsed.args) {
        return UsageError(parsed.error);
    }
    const ScriptCommand command = parsed.args->command;
    const Deadline deadline{GetTickCount(), static_cast<DWORD>(parsed.args->timeoutSeconds) * 1000};
    ReplySlot slot;
    HWND replyWindow = NewCookie(slot.cookie) ? MakeReplyWindow(slot) : nullptr;
    if (replyWindow == nullptr) {
        return Finish(command, kUnreachable, kExitUnreachable);
    }
    Reached reached = FindOrStartProgram(deadline);
    if (reached.window == nullptr) {
        if (reached.started) {
            EndStartedProgram(reached.started.get(), nullptr);
        }
        return Finish(command, reached.error, kExitUnreachable);
    }
    slot.program = reached.window;
    DWORD processId = 0;
    GetWindowThreadProcessId(reached.window, &processId);
    const KernelObject program(OpenProcess(SYNCHRONIZE, FALSE, processId));
    if (!HandOver(reached.window, replyWindow, command, slot.cookie, deadline)) {
        if (reached.started) {
            EndStartedProgram(reached.started.get(), reached.window);
        }
        return Finish(command, kUnreachable, kExitUnreachable);
    }
    switch (WaitForReply(slot, program.get(), deadline)) {
        case Waited::TimedOut:
            return Finish(command, kTimedOut, kExitFailed);
        case Waited::ProgramEnded:
            return Finish(command, kProgramEnded, kExitUnreachable);
        case Waited::Replied:
            break;
    }
    WriteOutputLine(slot.reply);
    const nlohmann::json answer = nlohmann::json::parse(slot.reply, nullptr, false);
    const bool ok = !answer.is_discarded() && answer.is_object() && answer.value("ok", false);
    return ok ? kExitDone : kExitFailed;
}

}  // namespace

std::optional<int> RunCallerOrClaimInstance() {
    try {
        const std::vector<std::string> arguments = Arguments();
        if (ClassifyArguments(arguments) == LaunchKind::Call) {
            return RunClient(arguments);
        }
        return ClaimOrShowInstance();
    } catch (...) {
        return kExitFailed;
    }
}

}  // namespace qv
