#pragma once
// The tray record in the balloon-capable NOTIFYICONDATAA form without GUID and balloon
// icon: 488 bytes on 32-bit, 504 on 64-bit. Declared here so that portable code can hold
// it; the shell reads it byte for byte.
#include <cstdint>

namespace qv {

struct TrayRecord {
    std::uint32_t cbSize;
    std::uintptr_t hWnd;
    std::uint32_t uID;
    std::uint32_t uFlags;
    std::uint32_t uCallbackMessage;
    std::uintptr_t hIcon;
    char szTip[128];
    std::uint32_t dwState;
    std::uint32_t dwStateMask;
    char szInfo[256];
    std::uint32_t uTimeout;  // union with uVersion
    char szInfoTitle[64];
    std::uint32_t dwInfoFlags;
};

inline constexpr std::uint32_t kTrayRecordSize = sizeof(void*) == 8 ? 504 : 488;
static_assert(sizeof(TrayRecord) == kTrayRecordSize, "NOTIFYICONDATAA (balloon form) layout");

}  // namespace qv
