#include "base/window_inbox_win.h"

#include "base/failure_record_win.h"
#include "base/main_window_win.h"

namespace qv {

void WakeThroughWindow(Inbox& inbox, HWND window) {
    inbox.SetWake([window] { return PostMessageA(window, kInboxMessage, 0, 0) != FALSE; });
}

bool RunInboxMessage(Inbox& inbox, UINT message) {
    if (message != kInboxMessage) {
        return false;
    }
    try {
        inbox.RunPending();
    } catch (const std::exception& e) {
        RecordFailure("work handed to the window", e.what());
    } catch (...) {
        RecordFailure("work handed to the window", "unknown exception");
    }
    return true;
}

}  // namespace qv
