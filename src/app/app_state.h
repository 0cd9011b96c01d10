#pragma once
// The one program-wide record of the assistant. It lives from before the main window is
// created until the program ends and is touched only on the user-interface thread. The
// tray's fields live with the tray (desktop/tray_state.h).
#include <cstdint>

#include "base/text.h"

namespace qv {

struct AppState {
    Text previousIp;
    Text currentIp;
    std::int32_t hotkeyId = 0;
};

// Created zero-filled by the program's entry (CreateAppState) and released by its clean-up.
AppState& TheAppState();
void CreateAppState();
void ReleaseAppState();

}  // namespace qv
