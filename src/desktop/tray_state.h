#pragma once
// The tray's part of the program's state: the window it serves, the record the shell knows,
// the icon, the framework's procedure it replaced and the mouse callback. Process-wide because
// the tray procedure is a window procedure with no context pointer of its own; touched only on
// the user-interface thread.
#include <cstdint>

#include "app/ports.h"
#include "desktop/tray_record.h"

namespace qv {

struct TrayState {
    std::uintptr_t mainWindow = 0;
    TrayRecord trayRecord = {};
    std::uintptr_t trayIcon = 0;   // kept while the shell shows it
    std::uintptr_t ownedIcon = 0;  // the icon made from the image file: ours to destroy
    std::uintptr_t savedWindowProc = 0;
    TrayMouseCallback trayCallback;
    std::uint32_t taskbarCreatedMessage = 0;
};

// Created empty by the program's entry (CreateTrayState) and released by its clean-up.
TrayState& TheTrayState();
void CreateTrayState();
void ReleaseTrayState();

}  // namespace qv
