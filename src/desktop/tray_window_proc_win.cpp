#include "desktop/tray_window_proc_win.h"

#include "app/form_vocabulary.h"
#include "base/program_end_win.h"
#include "desktop/desktop_ids.h"
#include "desktop/tray_fields.h"
#include "desktop/tray_state.h"
#include "desktop/tray_win.h"

namespace qv {
namespace {

LRESULT PassOn(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto previous = reinterpret_cast<WNDPROC>(TheTrayState().savedWindowProc);
    return previous ? CallWindowProcA(previous, hwnd, message, wParam, lParam)
                    : DefWindowProcA(hwnd, message, wParam, lParam);
}

// The icon goes and the framework's procedure comes back before the framework sees the
// message (its about-to-be-destroyed handler removes once more, harmlessly). The program
// then ends here: the message loop is never returned to.
[[noreturn]] void OnDestroy(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    TrayState& state = TheTrayState();
    auto previous = reinterpret_cast<WNDPROC>(state.savedWindowProc);
    TrayRemove(state);
    if (previous) {
        CallWindowProcA(previous, hwnd, WM_DESTROY, wParam, lParam);
    } else {
        DefWindowProcA(hwnd, WM_DESTROY, wParam, lParam);
    }
    EndProgram(0);
}

// The shell's new taskbar has no icon of ours: add the same record again. A balloon that
// was showing is not repeated, because uFlags no longer names it.
void OnTaskbarCreated() {
    TrayState& state = TheTrayState();
    state.trayRecord.uFlags = tray_flag::kIconAndTip;
    SendTrayRecord(NIM_ADD, state.trayRecord);
}

}  // namespace

LRESULT CALLBACK TrayWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const TrayState& state = TheTrayState();
    if (message == WM_DESTROY) {
        OnDestroy(hwnd, wParam, lParam);
    }
    if (message == kTrayCallbackMessage && state.trayCallback != nullptr) {
        // lParam carries the plain mouse message (no NIM_SETVERSION).
        state.trayCallback(static_cast<std::uint32_t>(lParam));
        return 0;
    }
    if (state.taskbarCreatedMessage != 0 && message == state.taskbarCreatedMessage) {
        OnTaskbarCreated();
    }
    return PassOn(hwnd, message, wParam, lParam);
}

}  // namespace qv
