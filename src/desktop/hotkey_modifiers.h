#pragma once
// The hotkey service's own numbers: its modifier codes and the identifiers it hands out.
#include <cstdint>

namespace qv {

// ModifierCode 0..7 (bit 0 Ctrl, bit 1 Shift, bit 2 Alt) to the system's MOD_* bits
// (MOD_ALT 1, MOD_CONTROL 2, MOD_SHIFT 4). Any other code is passed on unchanged.
std::uint32_t SystemHotkeyModifiers(int modifierCode);

// The n-th registration of a run (n from 1) uses identifier kHotkeyIdBase + n.
std::int32_t HotkeyIdForRegistration(std::uint32_t issuedCount);

// Whether a WM_HOTKEY identifier is one the service has issued (33001 .. 33000 + issued).
bool IsIssuedHotkeyId(std::uint64_t id, std::uint32_t issuedCount);

}  // namespace qv
