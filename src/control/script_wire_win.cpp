#include "control/script_wire_win.h"

namespace qv {

bool SendCopyData(HWND window, HWND from, ULONG_PTR tag, const std::string& payload, UINT timeoutMs,
                  SendMode mode) {
    COPYDATASTRUCT data = {};
    data.dwData = tag;
    data.cbData = static_cast<DWORD>(payload.size());
    data.lpData = const_cast<char*>(payload.data());
    DWORD_PTR result = 0;
    const UINT flags = mode == SendMode::GiveUpIfHung ? SMTO_ABORTIFHUNG : SMTO_NORMAL;
    if (!SendMessageTimeoutA(window, WM_COPYDATA, reinterpret_cast<WPARAM>(from),
                             reinterpret_cast<LPARAM>(&data), flags, timeoutMs, &result)) {
        return false;
    }
    return result == TRUE;
}

std::optional<RequestParts> SplitRequest(const std::string& payload) {
    const std::size_t end = payload.find('\0');
    if (end == std::string::npos || end == 0 || payload.size() - end - 1 > kMaxCookieBytes ||
        payload.size() - end - 1 == 0) {
        return std::nullopt;
    }
    return RequestParts{payload.substr(0, end), payload.substr(end + 1)};
}

}  // namespace qv
