#include "wine/support/wine_support.h"

#include <fstream>

namespace qv::testing {
namespace {
void DispatchPending() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}
}  // namespace

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        DispatchPending();
        if (condition()) {
            return true;
        }
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs) {
            return false;
        }
        MsgWaitForMultipleObjectsEx(0, nullptr,
                                    (timeoutMs - elapsed) < 20 ? timeoutMs - elapsed : 20,
                                    QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

void PumpFor(DWORD ms) {
    WaitUntil([] { return false; }, ms);
}

// Wine answers GetCursorPos with the position last set for 100 ms, and only then asks the
// display, which refuses to move the pointer while another client holds it: only a reading
// after that says where the pointer is. Setting the same position again is not passed on to
// the display, so a retry goes by a neighbouring point.
bool PlaceCursor(int x, int y, DWORD timeoutMs) {
    constexpr DWORD kPastTheCachedReadingMs = 120;
    const DWORD start = GetTickCount();
    for (;;) {
        SetCursorPos(x, y);
        PumpFor(kPastTheCachedReadingMs);
        POINT at = {};
        if (GetCursorPos(&at) && at.x == x && at.y == y) {
            return true;
        }
        if (GetTickCount() - start >= timeoutMs) {
            return false;
        }
        SetCursorPos(x + 1, y);
    }
}

bool TrayGuaranteed() {
    char value[8] = {};
    const DWORD length = GetEnvironmentVariableA("QV_TRAY_GUARANTEED", value, sizeof value);
    return length > 0 && length < sizeof value && std::string(value) == "1";
}

std::string ProgramDirectory() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path);
    const auto slash = dir.rfind('\\');
    return slash == std::string::npos ? std::string(".") : dir.substr(0, slash);
}

std::optional<ProgramRun> RunCapturingOutput(std::string commandLine, const char* directory,
                                             DWORD timeoutMs) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        return std::nullopt;
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION info = {};
    const bool started =
        CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                       nullptr, directory, &startup, &info) != FALSE;
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        return std::nullopt;
    }
    CloseHandle(info.hThread);
    ProgramRun run;
    const DWORD start = GetTickCount();
    bool ended = false;
    for (;;) {
        ended = WaitForSingleObject(info.hProcess, 20) == WAIT_OBJECT_0;
        DWORD available = 0;
        while (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
            char buffer[4096];
            DWORD read = 0;
            if (!ReadFile(readEnd, buffer, sizeof buffer, &read, nullptr) || read == 0) {
                break;
            }
            run.output.append(buffer, read);
        }
        if (ended || GetTickCount() - start > timeoutMs) {
            break;
        }
    }
    CloseHandle(readEnd);
    GetExitCodeProcess(info.hProcess, &run.exitCode);
    if (!ended) {
        TerminateProcess(info.hProcess, 99);
    }
    CloseHandle(info.hProcess);
    return ended ? std::optional<ProgramRun>(run) : std::nullopt;
}

namespace {

struct WindowSearch {
    DWORD processId;
    const char* className;
    HWND found = nullptr;
};

BOOL CALLBACK FindVisibleTopLevel(HWND hwnd, LPARAM lParam) {
    auto* search = reinterpret_cast<WindowSearch*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof name);
    if ((search->processId == 0 || pid == search->processId) &&
        std::string(name) == search->className && IsWindowVisible(hwnd)) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND FindTopLevel(DWORD processId, const char* className) {
    WindowSearch search = {processId, className};
    EnumWindows(&FindVisibleTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND MakeHostWindow(const char* className, const char* title, WNDPROC proc) {
    WNDCLASSA cls = {};
    if (!GetClassInfoA(GetModuleHandleA(nullptr), className, &cls)) {
        cls.lpfnWndProc = proc;
        cls.hInstance = GetModuleHandleA(nullptr);
        cls.lpszClassName = className;
        RegisterClassA(&cls);
    }
    return CreateWindowExA(0, className, title, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
}

void DestroyAndDrain(HWND window) {
    if (IsWindow(window)) {
        DestroyWindow(window);
    }
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message != WM_QUIT) {
            DispatchMessageA(&msg);
        }
    }
}

std::vector<std::string> FileLines(const std::string& path) {
    std::ifstream file(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

std::uint16_t FreePort() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    const bool bound = bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                       getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) == 0;
    closesocket(s);
    return bound ? ntohs(address.sin_port) : 0;
}

}  // namespace qv::testing
