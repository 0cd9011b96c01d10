#pragma once
#include <cstdint>

namespace qv {

// The tray icon's mouse callback: a right-button press opens 托盘菜单.
void TrayMouseHandler(std::uint32_t mouseMessage);

}  // namespace qv
