#include "dialup/line_watch_win.h"

#include <utility>

#include "base/failure_record_win.h"
#include "dialup/ras_api_win.h"
#include "dialup/ras_service_win.h"

namespace qv {

bool LineWatch::Start(std::function<void()> onLineDown) {
    if (thread_) {
        return false;
    }
    if (!stop_) {
        stop_.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        lineEnded_.reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
        if (!stop_ || !lineEnded_) {
            RecordFailure("CreateEventA", GetLastError());
            stop_.reset();
            lineEnded_.reset();
            return false;
        }
    }
    // Without the notification the poll still sees every drop, only later.
    if (!registered_) {
        const DWORD result = RasConnectionNotificationA(INVALID_HANDLE_VALUE, lineEnded_.get(),
                                                        kRasNotifyDisconnection);
        registered_ = result == 0;
        if (!registered_) {
            RecordFailure("RasConnectionNotificationA", result);
        }
    }
    ResetEvent(stop_.get());
    ResetEvent(lineEnded_.get());
    lineUp_ = false;
    onLineDown_ = std::move(onLineDown);
    // Read here, not on the thread: a line that drops just after Start returns is still told.
    connectedAtStart_ = AnyConnectionEstablished();
    thread_.reset(CreateThread(nullptr, 0, &LineWatch::ThreadMain, this, 0, &threadId_));
    if (!thread_) {
        RecordFailure("CreateThread", GetLastError());
        onLineDown_ = nullptr;
        return false;
    }
    return true;
}

void LineWatch::Stop() {
    if (!thread_) {
        return;
    }
    SetEvent(stop_.get());
    if (GetCurrentThreadId() == threadId_) {
        return;  // the thread cannot wait for itself; it ends once the callback returns
    }
    // Every wait of the thread's is bounded (its RAS calls included), so this one ends.
    WaitForSingleObject(thread_.get(), INFINITE);
    thread_.reset();
    threadId_ = 0;
    onLineDown_ = nullptr;
}

DWORD WINAPI LineWatch::ThreadMain(void* self) {
    static_cast<LineWatch*>(self)->Run();
    return 0;
}

void LineWatch::Run() {
    const HANDLE wakers[] = {stop_.get(), lineEnded_.get()};
    bool connected = connectedAtStart_;
    for (;;) {
        const DWORD woken = WaitForMultipleObjects(2, wakers, FALSE, pollMs_);
        if (woken == WAIT_OBJECT_0) {
            return;
        }
        if (woken == WAIT_FAILED) {
            RecordFailure("WaitForMultipleObjects", GetLastError());
            return;
        }
        // A notice or the poll: either way the line is asked again, as a notice may concern
        // another connection while this one stays up.
        const bool now = AnyConnectionEstablished();
        connected = lineUp_.exchange(false) || connected;
        if (connected && !now && onLineDown_) {
            onLineDown_();
        }
        connected = now;
    }
}

}  // namespace qv
