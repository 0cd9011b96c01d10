#include "desktop/tray_menu_win.h"

#include <windows.h>

#include "app/app_state.h"
#include "ui/form_win.h"

namespace qv {

// Only a right-button press opens the menu; a left click does not even restore the window.
void TrayMouseHandler(std::uint32_t mouseMessage) {
    if (mouseMessage != WM_RBUTTONDOWN) {
        return;
    }
    if (FormWindow* form =
            FormWindow::FromWindow(reinterpret_cast<HWND>(TheAppState().mainWindow))) {
        form->PopupMenu(Unit::窗口, Unit::托盘菜单);
    }
}

}  // namespace qv
