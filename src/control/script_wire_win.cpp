#include "control/script_wire_win.h"

namespace qv {

bool SendCopyData(HWND window, HWND from, ULONG_PTR tag, const std::string& payload,
                  UINT timeoutMs) {
    COPYDATASTRUCT data = {};
    data.dwData = tag;
    data.cbData = static_cast<DWORD>(payload.size());
    data.lpData = const_cast<char*>(payload.data());
    DWORD_PTR result = 0;
    // No SMTO_ABORTIFHUNG: a window blocked in a dial for longer than the hung-window limit
    // is busy, not hung.
    if (!SendMessageTimeoutA(window, WM_COPYDATA, reinterpret_cast<WPARAM>(from),
                             reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, timeoutMs, &result)) {
        return false;
    }
    return result == TRUE;
}

}  // namespace qv
