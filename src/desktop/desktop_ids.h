#pragma once
// The desktop adapters' private numbers: the tray's callback message and icon, the balloon
// timer on the main window, and the base of the hotkey identifiers.
#include <cstdint>

namespace qv {

inline constexpr std::uint32_t kTrayCallbackMessage = 123456;
inline constexpr std::uint32_t kTrayIconId = 1;
inline constexpr std::uintptr_t kBalloonTimerId = 741852;
inline constexpr int kHotkeyIdBase = 33000;

}  // namespace qv
