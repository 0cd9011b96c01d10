#pragma once
// The global hotkey service: system hotkeys reported to a label as its feedback event.
#include "app/ports.h"

namespace qv {

class WinHotkeys final : public Hotkeys {
public:
    int RegisterGlobalHotkey(std::uintptr_t window, std::uintptr_t label, int modifierCode,
                             int virtualKey) override;
    bool UnregisterGlobalHotkey(std::uintptr_t window, int id) override;
};

}  // namespace qv
