#include "wine/support/wine_support.h"

namespace qv::testing {
namespace {
void DispatchPending() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}
}  // namespace

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        DispatchPending();
        if (condition()) {
            return true;
        }
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs) {
            return false;
        }
        MsgWaitForMultipleObjectsEx(0, nullptr,
                                    (timeoutMs - elapsed) < 20 ? timeoutMs - elapsed : 20,
                                    QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

void PumpFor(DWORD ms) {
    WaitUntil([] { return false; }, ms);
}

bool TrayGuaranteed() {
    char value[8] = {};
    const DWORD length = GetEnvironmentVariableA("QV_TRAY_GUARANTEED", value, sizeof value);
    return length > 0 && length < sizeof value && std::string(value) == "1";
}

std::string ProgramDirectory() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path);
    const auto slash = dir.rfind('\\');
    return slash == std::string::npos ? std::string(".") : dir.substr(0, slash);
}

}  // namespace qv::testing
