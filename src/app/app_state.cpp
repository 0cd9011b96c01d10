#include "app/app_state.h"

namespace qv {
namespace {
AppState& Storage() {
    static AppState state;
    return state;
}
}  // namespace

AppState& TheAppState() {
    return Storage();
}

void CreateAppState() {
    Storage() = AppState{};
}

void ReleaseAppState() {
    AppState& state = Storage();
    state.previousIp = Text();
    state.currentIp = Text();
}

}  // namespace qv
