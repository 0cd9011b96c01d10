#include "desktop/hotkey_service_win.h"

namespace qv {

// Placeholders until the hotkey service is built.
int WinHotkeys::RegisterGlobalHotkey(std::uintptr_t, std::uintptr_t, int, int) { return 0; }
bool WinHotkeys::UnregisterGlobalHotkey(std::uintptr_t, int) { return false; }

}  // namespace qv
