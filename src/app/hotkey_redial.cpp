// Hotkey redial: F1..F4 from 组合框_热键, switched on by 选择框_热键, reported back through
// the hidden label 标签_热键标签.
#include <optional>

#include "app/assistant.h"

namespace qv {
namespace {

constexpr int kVirtualKeyF1 = 0x70;
constexpr int kHotkeyChoices = 4;  // "F1" .. "F4"
constexpr int kNoModifier = 0;

std::optional<int> ChosenVirtualKey(int selection) {
    if (selection < 0 || selection >= kHotkeyChoices) {
        return std::nullopt;
    }
    return kVirtualKeyF1 + selection;
}

// A refused key stores 0; no selection registers nothing and keeps the old identifier.
void RegisterChosenHotkey(Services& s, AppState& state) {
    const auto key = ChosenVirtualKey(s.units.ReadInt(Unit::组合框_热键, prop::kSelection));
    if (!key) {
        return;
    }
    state.hotkeyId = s.hotkeys.RegisterGlobalHotkey(s.units.WindowHandle(Unit::窗口),
                                                    s.units.WindowHandle(Unit::标签_热键标签),
                                                    kNoModifier, *key);
}

}  // namespace

void Assistant::ToggleHotkey() {
    if (s_.units.ReadInt(Unit::选择框_热键, prop::kChecked) != 0) {
        s_.units.WriteInt(Unit::组合框_热键, prop::kDisabled, 0);
        RegisterChosenHotkey(s_, state_);
        return;
    }
    s_.units.WriteInt(Unit::组合框_热键, prop::kDisabled, 1);
    // hotkeyId is kept; the next registration replaces it with a fresh identifier.
    s_.hotkeys.UnregisterGlobalHotkey(s_.units.WindowHandle(Unit::窗口), state_.hotkeyId);
}

void Assistant::ApplyHotkeyChoice() {
    s_.hotkeys.UnregisterGlobalHotkey(s_.units.WindowHandle(Unit::窗口), state_.hotkeyId);
    RegisterChosenHotkey(s_, state_);
}

void Assistant::HotkeyFeedback(std::int32_t hotkeyId, std::int32_t) {
    if (hotkeyId == state_.hotkeyId) {
        RedialCommand({.source = CommandSource::Hotkey});
    }
}

}  // namespace qv
