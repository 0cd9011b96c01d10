#include "desktop/tray_window_proc_win.h"

#include "app/app_state.h"

namespace qv {

// Placeholder until the tray procedure is built: passes everything on.
LRESULT CALLBACK TrayWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto previous = reinterpret_cast<WNDPROC>(TheAppState().savedWindowProc);
    return previous ? CallWindowProcA(previous, hwnd, message, wParam, lParam)
                    : DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace qv
