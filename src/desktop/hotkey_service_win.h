#pragma once
// The global hotkey service: a system hotkey reported to a label as its feedback event.
// While at least one key is registered, HotkeyWindowProc sits in front of the owning
// window's procedure and turns WM_HOTKEY into kHotkeyFeedbackMessage to the label.
#include <windows.h>

#include <cstdint>

#include "app/ports.h"

namespace qv {

// One per process, from start to end; touched only on the user-interface thread.
struct HotkeyServiceState {
    HWND feedbackLabel = nullptr;      // the label of the most recent registration
    std::uint32_t issuedCount = 0;     // registrations ever made, refused ones included
    std::int32_t registeredCount = 0;  // registrations minus unregistrations
    WNDPROC previousProc = nullptr;    // the procedure HotkeyWindowProc stands in front of
};

const HotkeyServiceState& TheHotkeyService();

// Returns the new identifier (33001 and up), or 0 when the system refused the key.
int RegisterGlobalHotkey(HWND window, HWND label, int modifierCode, int virtualKey);
bool UnregisterGlobalHotkey(HWND window, int id);
LRESULT CALLBACK HotkeyWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// The service behind the assistant's Hotkeys interface.
class WinHotkeys final : public Hotkeys {
  public:
    int RegisterGlobalHotkey(std::uintptr_t window, std::uintptr_t label, int modifierCode,
                             int virtualKey) override;
    bool UnregisterGlobalHotkey(std::uintptr_t window, int id) override;
};

}  // namespace qv
