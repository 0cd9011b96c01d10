#include "control/instance_win.h"

#include <algorithm>

#include "base/main_window_win.h"
#include "base/system_handles_win.h"

namespace qv {
namespace {

constexpr const char* kMachineMark = "Global\\QuorvaneInstance";
constexpr const char* kSessionMark = "Local\\QuorvaneInstance";
constexpr const char* kBoxTitle = "信息：";
constexpr const char* kRunsInOtherSession = "Quorvane已在另一会话中运行";
constexpr int kSecondStartDone = 0;
constexpr DWORD kMarkPollMs = 50;
// A second start waits this long for a starting program's window, or an ending one's end.
constexpr DWORD kWindowWaitMs = 15000;

// Another user's program holds the machine's mark with its own access rights: a refusal
// still says that it exists.
bool MarkExists(const char* name) {
    if (const KernelObject mark(OpenMutexA(SYNCHRONIZE, FALSE, name)); mark) {
        return true;
    }
    return GetLastError() == ERROR_ACCESS_DENIED;
}

// The session's mark, owned by the program's main thread while it runs.
HANDLE& SessionMark() {
    static HANDLE mark = nullptr;
    return mark;
}

// The mark when this call made it. It is owned by this thread (the program's main thread)
// and held open until the process ends; a second start waits on it.
HANDLE MakeMark(const char* name) {
    KernelObject mark(CreateMutexA(nullptr, TRUE, name));
    if (!mark || GetLastError() == ERROR_ALREADY_EXISTS) {
        return nullptr;
    }
    return mark.release();  // the system closes it when the process ends
}

BOOL CALLBACK TakeShownWindow(HWND window, LPARAM found) {
    if (IsWindowVisible(window) && IsWindowEnabled(window)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

// What the program shows on top: a box it waits on (the router warning, a refusal) rather
// than the window that box disables. The boxes have no owner (they are task-modal), so the
// box is the visible, enabled window of the window's thread.
HWND ShownOnTop(HWND window) {
    if (IsWindowEnabled(window)) {
        return window;
    }
    HWND found = nullptr;
    EnumThreadWindows(GetWindowThreadProcessId(window, nullptr), &TakeShownWindow,
                      reinterpret_cast<LPARAM>(&found));
    return found != nullptr ? found : window;
}

void BringForward(HWND window) {
    if (IsIconic(window)) {
        ShowWindowAsync(window, SW_RESTORE);
    } else if (!IsWindowVisible(window)) {
        ShowWindowAsync(window, SW_SHOW);
    }
    SetForegroundWindow(ShownOnTop(window));
}

enum class Shown { Window, Ended, Nothing };

// The session's mark is owned by the running program's main thread: a program that is
// ending (it lets go first) or has ended leaves it free to take. Until then its window is
// shown, once there is one (a program starting just now may not have it yet).
Shown ShowRunningProgram() {
    const KernelObject mark(OpenMutexA(SYNCHRONIZE, FALSE, kSessionMark));
    if (!mark) {
        return MarkExists(kSessionMark) ? Shown::Nothing : Shown::Ended;
    }
    const DWORD start = GetTickCount();
    for (DWORD wait = 0;; wait = kMarkPollMs) {
        const DWORD waited = WaitForSingleObject(mark.get(), wait);
        if (waited == WAIT_ABANDONED || waited == WAIT_OBJECT_0) {
            ReleaseMutex(mark.get());
            return Shown::Ended;
        }
        if (HWND window = FindMainWindow(); window != nullptr && IsWindowVisible(window)) {
            BringForward(window);
            return Shown::Window;
        }
        if (GetTickCount() - start >= kWindowWaitMs) {
            return Shown::Nothing;
        }
    }
}

}  // namespace

// The machine's mark is looked at first and made last: seeing it without the session's
// mark then means another session, never a program half-way through its claim here.
InstancePlace RunningInstance() {
    if (!MarkExists(kMachineMark)) {
        return MarkExists(kSessionMark) ? InstancePlace::ThisSession : InstancePlace::None;
    }
    return MarkExists(kSessionMark) ? InstancePlace::ThisSession : InstancePlace::OtherSession;
}

InstancePlace ClaimInstance() {
    HANDLE session = MakeMark(kSessionMark);
    if (session == nullptr) {
        return InstancePlace::ThisSession;
    }
    if (MakeMark(kMachineMark) == nullptr) {
        // The session's mark stays held: this process ends at once anyway.
        return InstancePlace::OtherSession;
    }
    SessionMark() = session;
    return InstancePlace::None;
}

void LetGoOfInstance() {
    if (SessionMark() != nullptr) {
        ReleaseMutex(SessionMark());
    }
}

HWND FindMainWindow() {
    return FindWindowA(kMainWindowClassName, nullptr);
}

std::optional<int> ClaimOrShowInstance() {
    const DWORD start = GetTickCount();
    for (int round = 0;; ++round) {
        if (round > 0) {
            Sleep(kMarkPollMs);  // an ending program's marks may outlast its thread a little
        }
        switch (ClaimInstance()) {
            case InstancePlace::None:
                return std::nullopt;
            case InstancePlace::OtherSession:
                MessageBoxA(nullptr, kRunsInOtherSession, kBoxTitle, MB_OK);
                return kSecondStartDone;
            case InstancePlace::ThisSession:
                break;
        }
        // A program that ended meanwhile leaves the place to this one; a second start that
        // came at the same moment may take it first, and is then shown instead.
        if (ShowRunningProgram() != Shown::Ended || GetTickCount() - start >= kWindowWaitMs) {
            return kSecondStartDone;
        }
    }
}

}  // namespace qv
