#include "desktop/tray_state.h"

namespace qv {
namespace {
TrayState& Storage() {
    static TrayState state;
    return state;
}
}  // namespace

TrayState& TheTrayState() {
    return Storage();
}

void CreateTrayState() {
    Storage() = TrayState{};
}

void ReleaseTrayState() {
    TrayState& state = Storage();
    state.trayRecord = TrayRecord{};
    state.trayCallback = nullptr;
}

}  // namespace qv
