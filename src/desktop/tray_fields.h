#pragma once
// How each tray operation fills the record before it is sent to the shell. Texts are cut
// to their fields (tip 127, balloon text 255, title 63 bytes) without splitting a two-byte
// GBK character: a character that would not fit whole is left out.
#include <cstdint>

#include "app/ports.h"
#include "base/text.h"
#include "desktop/desktop_ids.h"
#include "desktop/tray_record.h"

namespace qv {

namespace tray_flag {
inline constexpr std::uint32_t kMessage = 0x1;
inline constexpr std::uint32_t kIcon = 0x2;
inline constexpr std::uint32_t kTip = 0x4;
inline constexpr std::uint32_t kInfo = 0x10;
// Add, re-add, icon change and tip change all name the same three fields.
inline constexpr std::uint32_t kIconAndTip = kMessage | kIcon | kTip;
}  // namespace tray_flag

// The record of the icon as TraySetup adds it.
void FillTrayAddRecord(TrayRecord& record, std::uintptr_t window, std::uintptr_t icon,
                       const Text& tip);
void SetTrayIconField(TrayRecord& record, std::uintptr_t icon);
void SetTrayTipField(TrayRecord& record, const Text& tip);
// A balloon names only the balloon fields, so sending it changes nothing else.
void SetBalloonFields(TrayRecord& record, const Text& title, const Text& text, IconKind kind);

}  // namespace qv
