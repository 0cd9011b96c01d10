#pragma once
// The one program-wide record of the assistant. It lives from before the main window is
// created until the program ends and is touched only on the user-interface thread.
#include <cstdint>

#include "app/ports.h"
#include "base/text.h"
#include "desktop/tray_record.h"

namespace qv {

struct AppState {
    Text previousIp;
    Text currentIp;
    std::uintptr_t mainWindow = 0;
    TrayRecord trayRecord = {};
    std::uintptr_t trayIcon = 0;  // kept for the life of the process
    std::uintptr_t savedWindowProc = 0;
    TrayMouseCallback trayCallback = nullptr;
    std::uint32_t taskbarCreatedMessage = 0;
    std::int32_t hotkeyId = 0;
};

// Created zero-filled by the program's entry (CreateAppState) and released by its clean-up.
AppState& TheAppState();
void CreateAppState();
void ReleaseAppState();

}  // namespace qv
