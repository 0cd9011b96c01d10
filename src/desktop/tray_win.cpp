#include "desktop/tray_win.h"

namespace qv {

// Placeholders until the tray icon is built.
int WinTray::TraySetup(std::uintptr_t window, const Bytes*, const Text*, TrayMouseCallback) {
    state_.mainWindow = window;
    return 0;
}
void WinTray::BalloonTip(const Text&, const Text&, IconKind, int, bool) {}
void WinTray::TrayRemove() {}

}  // namespace qv
