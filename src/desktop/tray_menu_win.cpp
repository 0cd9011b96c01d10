#include "desktop/tray_menu_win.h"

namespace qv {

// Placeholder until the tray menu is built.
void TrayMouseHandler(std::uint32_t) {}

}  // namespace qv
