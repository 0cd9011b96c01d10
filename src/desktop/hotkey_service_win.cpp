#include "desktop/hotkey_service_win.h"

#include "app/form_vocabulary.h"
#include "base/failure_record_win.h"
#include "desktop/desktop_ids.h"
#include "desktop/hotkey_modifiers.h"

namespace qv {
namespace {

HotkeyServiceState& ServiceState() {
    static HotkeyServiceState state;
    return state;
}

WNDPROC CurrentProc(HWND window) {
    return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC));
}

WNDPROC ReplaceProc(HWND window, WNDPROC proc) {
    return reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc)));
}

}  // namespace

const HotkeyServiceState& TheHotkeyService() {
    return ServiceState();
}

int RegisterGlobalHotkey(HWND window, HWND label, int modifierCode, int virtualKey) {
    HotkeyServiceState& state = ServiceState();
    state.feedbackLabel = label;
    const UINT modifiers = SystemHotkeyModifiers(modifierCode);
    if (state.previousProc == nullptr) {
        // Installed once, in front of whatever procedure the window has now (the tray's).
        state.previousProc = ReplaceProc(window, &HotkeyWindowProc);
    }
    ++state.registeredCount;
    ++state.issuedCount;
    const int id = HotkeyIdForRegistration(state.issuedCount);
    // A refusal rolls nothing back: the identifier stays used and the count stays raised,
    // so the caller's later unregistration of 0 evens it out.
    if (!RegisterHotKey(window, id, modifiers, static_cast<UINT>(virtualKey))) {
        RecordFailure("RegisterHotKey", GetLastError());
        return 0;
    }
    return id;
}

bool UnregisterGlobalHotkey(HWND window, int id) {
    HotkeyServiceState& state = ServiceState();
    const bool released = UnregisterHotKey(window, id) != FALSE;
    --state.registeredCount;
    if (state.previousProc != nullptr && state.registeredCount == 0) {
        // Put the old procedure back only while ours is still the window's procedure. When
        // another one has been set since (the tray procedure restores the framework's one on
        // WM_DESTROY), writing ours over it would revive a procedure that has been taken
        // out; we stay in the chain instead, passing everything on.
        if (CurrentProc(window) == &HotkeyWindowProc) {
            ReplaceProc(window, state.previousProc);
            state.previousProc = nullptr;
        }
    }
    return released;
}

LRESULT CALLBACK HotkeyWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const HotkeyServiceState& state = ServiceState();
    // Taken before the send: the feedback handler may unregister the last key and clear it,
    // and this message must still reach the procedure we stood in front of.
    const WNDPROC previous = state.previousProc;
    if (message == WM_HOTKEY && IsIssuedHotkeyId(wParam, state.issuedCount)) {
        // Synchronous: the label's feedback handler (a whole redial) runs inside this call.
        SendMessageA(state.feedbackLabel, kHotkeyFeedbackMessage, wParam, 0);
    }
    // Every message goes on, WM_HOTKEY included.
    return previous ? CallWindowProcA(previous, hwnd, message, wParam, lParam)
                    : DefWindowProcA(hwnd, message, wParam, lParam);
}

int WinHotkeys::RegisterGlobalHotkey(std::uintptr_t window, std::uintptr_t label, int modifierCode,
                                     int virtualKey) {
    return qv::RegisterGlobalHotkey(reinterpret_cast<HWND>(window), reinterpret_cast<HWND>(label),
                                    modifierCode, virtualKey);
}

bool WinHotkeys::UnregisterGlobalHotkey(std::uintptr_t window, int id) {
    return qv::UnregisterGlobalHotkey(reinterpret_cast<HWND>(window), id);
}

}  // namespace qv
