#include "app/assistant.h"

namespace qv {

// Placeholders until hotkey redial is built.
void Assistant::ToggleHotkey() {}
void Assistant::ApplyHotkeyChoice() {}
void Assistant::HotkeyFeedback(std::int32_t, std::int32_t) {}

}  // namespace qv
