#pragma once
// The main window's replacement procedure: tray callbacks, taskbar re-creation, and the
// end of the program on WM_DESTROY. Installed by TraySetup, undone by TrayRemove.
#include <windows.h>

namespace qv {

LRESULT CALLBACK TrayWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace qv
