#include "control/instance_win.h"

#include "control/script_wire_win.h"

namespace qv {
namespace {

constexpr const char* kMachineMark = "Global\\QuorvaneInstance";
constexpr const char* kSessionMark = "Local\\QuorvaneInstance";

// Another user's program holds the machine's mark with its own access rights: a refusal
// still says that it exists.
bool MarkExists(const char* name) {
    HANDLE mark = OpenMutexA(SYNCHRONIZE, FALSE, name);
    if (mark != nullptr) {
        CloseHandle(mark);
        return true;
    }
    return GetLastError() == ERROR_ACCESS_DENIED;
}

// True when this call made the mark; it is then held open until the process ends.
bool MakeMark(const char* name) {
    HANDLE mark = CreateMutexA(nullptr, FALSE, name);
    if (mark == nullptr) {
        return false;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mark);
        return false;
    }
    return true;
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
    if (!MakeMark(kSessionMark)) {
        return InstancePlace::ThisSession;
    }
    if (!MakeMark(kMachineMark)) {
        // The session's mark stays held: this process ends at once anyway.
        return InstancePlace::OtherSession;
    }
    return InstancePlace::None;
}

HWND FindMainWindow() {
    return FindWindowA(kMainWindowClassName, nullptr);
}

}  // namespace qv
