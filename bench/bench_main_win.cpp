// Measures the real program from outside, for scripts/bench.sh:
//   qv_bench startup <exe> <window class> <runs>   start-up to first paint and to ready, one
//                                                  line per start: "startup <paint ms> <ready ms>"
//   qv_bench wait-ready <window class>             waits until a started program is ready
//   qv_bench watch <window class>                  for a start from Linux: prints "watching",
//                                                  then, once a window of the class is painted
//                                                  and ready, "watch <paint> <ready>" in Unix
//                                                  milliseconds, and closes it
//   qv_bench redial <count>                        redials the running program through its
//                                                  button: "redial <wall ms> <cpu ms>" each
// "First paint" is the moment the window's status bar, painted last, shows on the screen;
// "ready" the moment status part 2 holds text: the last thing the program's start-up writes.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <thread>

#include "e2e/support/e2e_driver.h"
#include "wine/support/screen_pixels.h"

namespace {

double NowMs() {
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// True once the window of `className` in the process has a status bar whose part 2 holds the
// start-up's last text: a reference's "ready", or Quorvane's "之前IP：无信息", longer than
// the "之前IP：" its bar is made with.
bool StatusPart2Written(DWORD processId, const char* className) {
    HWND window = qv::e2e::FindTopLevel(processId, className);
    HWND bar = window ? FindWindowExA(window, nullptr, STATUSCLASSNAMEA, nullptr) : nullptr;
    const std::size_t madeWith =
        std::string(className).starts_with("QvBare") ? 0 : wcslen(L"之前IP：");
    DWORD_PTR length = 0;  // in characters: Wine answers the ANSI length in characters too
    return bar != nullptr &&
           SendMessageTimeoutW(bar, SB_GETTEXTLENGTHW, 2, 0, SMTO_ABORTIFHUNG, 50, &length) &&
           LOWORD(length) > madeWith;
}

// True once the window's status bar shows on the screen, read as a person sees it: its pane
// borders, darker than the face, across a mostly light bar. Until it is painted its place is
// one colour. Both programs paint it last but for windows out of sight, and the screen keeps
// what was painted, so a watch that gets little processor time cannot miss it.
bool StatusBarShown(HWND window) {
    HWND bar = window ? FindWindowExA(window, nullptr, STATUSCLASSNAMEA, nullptr) : nullptr;
    RECT rc;
    if (bar == nullptr || !IsWindowVisible(bar) || !GetWindowRect(bar, &rc) ||
        rc.right <= rc.left || rc.bottom <= rc.top) {
        return false;
    }
    int light = 0;
    int darker = 0;
    for (const std::uint32_t pixel : qv::testing::ScreenPixels(rc).data) {
        const int luma = qv::testing::Pixels::Luma(pixel);
        light += luma >= 200;
        darker += luma < 200;
    }
    const int width = rc.right - rc.left;
    return light * 2 >= width * (rc.bottom - rc.top) && darker >= width / 2;
}

int WaitReady(const char* className) {
    const double started = NowMs();
    while (NowMs() - started < 60000) {
        HWND window = qv::e2e::FindTopLevel(0, className);
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        if (window != nullptr && StatusPart2Written(processId, className)) {
            return 0;
        }
        Sleep(10);
    }
    return 1;
}

// Milliseconds since 1970 by the system clock, which Wine shares with Linux's `date`.
double UnixMs() {
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    const ULONGLONG ticks = (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return static_cast<double>(ticks - 116444736000000000ULL) / 10000.0;
}

// First paint and ready of the process's window of `className`, each as `clock` gives it
// (-1 when it never came within a minute of `started`).
template <typename Clock>
std::pair<double, double> PaintAndReady(DWORD processId, const char* className, Clock clock,
                                        double started) {
    // The screen is watched from a thread of its own: asking for the status text waits
    // while the program is busy, which would hold the watch up.
    std::atomic<double> paint = -1.0;
    std::thread paintWatch([&] {
        while (clock() - started < 60000) {
            if (StatusBarShown(qv::e2e::FindTopLevel(processId, className))) {
                paint = clock();
                return;
            }
            Sleep(1);
        }
    });
    bool ready = false;
    while (!(ready = StatusPart2Written(processId, className)) && clock() - started < 60000) {
        Sleep(2);
    }
    const double readyAt = ready ? clock() : -1.0;
    paintWatch.join();
    return {paint.load(), readyAt};
}

int Watch(const char* className) {
    std::printf("watching\n");
    std::fflush(stdout);
    const double started = UnixMs();
    DWORD processId = 0;
    while (processId == 0 && UnixMs() - started < 60000) {
        // Polled often: the window's first moments are what is measured.
        GetWindowThreadProcessId(qv::e2e::FindTopLevel(0, className), &processId);
        Sleep(1);
    }
    const auto [paint, ready] = PaintAndReady(processId, className, UnixMs, started);
    std::printf("watch %.1f %.1f\n", paint, ready);
    std::fflush(stdout);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    PostMessageA(qv::e2e::FindTopLevel(processId, className), WM_CLOSE, 0, 0);
    if (process != nullptr) {
        WaitForSingleObject(process, 10000);
        CloseHandle(process);
    }
    return paint < 0 || ready < 0;
}

int Startup(const std::string& exe, const char* className, int runs) {
    for (int run = 0; run < runs; ++run) {
        std::string command = "\"" + exe + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info = {};
        const double started = NowMs();
        if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, "C:\\",
                            &startup, &info)) {
            std::fprintf(stderr, "cannot start %s\n", exe.c_str());
            return 1;
        }
        const auto [paint, ready] = PaintAndReady(info.dwProcessId, className, NowMs, started);
        const double paintMs = paint < 0 ? -1.0 : paint - started;
        const double readyMs = ready < 0 ? -1.0 : ready - started;
        std::printf("startup %.1f %.1f\n", paintMs, readyMs);
        std::fflush(stdout);
        PostMessageA(qv::e2e::FindTopLevel(info.dwProcessId, className), WM_CLOSE, 0, 0);
        if (WaitForSingleObject(info.hProcess, 10000) != WAIT_OBJECT_0) {
            TerminateProcess(info.hProcess, 1);
        }
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
    return 0;
}

// Waits until status part 0 reads `text`, polling every few milliseconds.
bool WaitForPart0(const qv::e2e::App& app, const std::string& text, DWORD timeoutMs) {
    const double deadline = NowMs() + timeoutMs;
    while (NowMs() < deadline) {
        if (app.StatusText(0) == text) {
            return true;
        }
        Sleep(3);
    }
    return false;
}

// Redials the running program `count` times through its button.
int Redial(int count) {
    qv::e2e::App app;
    if (!app.Attach()) {
        std::fprintf(stderr, "no running program found\n");
        return 1;
    }
    if (!app.ProcessorTimeMs()) {
        std::fprintf(stderr, "the program's processor time cannot be read\n");
        return 1;
    }
    for (int i = 0; i < count; ++i) {
        const DWORD cpuBefore = app.ProcessorTimeMs().value_or(0);
        const double started = NowMs();
        app.Click(qv::Unit::按钮_重拔);
        if (!WaitForPart0(app, "当前状态：正在重拔", 30000) ||
            !WaitForPart0(app, "当前状态：重拔完毕", 60000)) {
            std::fprintf(stderr, "redial %d did not finish\n", i + 1);
            return 1;
        }
        const double wallMs = NowMs() - started;
        const DWORD cpuMs = app.ProcessorTimeMs().value_or(0) - cpuBefore;
        std::printf("redial %.1f %lu\n", wallMs, static_cast<unsigned long>(cpuMs));
        std::fflush(stdout);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string verb = argc > 1 ? argv[1] : "";
    if (verb == "startup" && argc == 5) {
        return Startup(argv[2], argv[3], std::max(1, std::atoi(argv[4])));
    }
    if (verb == "wait-ready" && argc == 3) {
        return WaitReady(argv[2]);
    }
    if (verb == "watch" && argc == 3) {
        return Watch(argv[2]);
    }
    if (verb == "redial" && argc == 3) {
        return Redial(std::max(1, std::atoi(argv[2])));
    }
    std::fprintf(
        stderr,
        "usage: qv_bench startup EXE CLASS RUNS | wait-ready CLASS | watch CLASS | redial COUNT\n");
    return 2;
}
