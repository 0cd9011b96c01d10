#include "desktop/tray_fields.h"

#include "base/fixed_text.h"

namespace qv {

void FillTrayAddRecord(TrayRecord& record, std::uintptr_t window, std::uintptr_t icon,
                       const Text& tip) {
    record.cbSize = kTrayRecordSize;
    record.hWnd = window;
    record.uID = kTrayIconId;
    record.uFlags = tray_flag::kIconAndTip;
    record.uCallbackMessage = kTrayCallbackMessage;
    record.hIcon = icon;
    CopyToField(record.szTip, tip);
}

void SetTrayIconField(TrayRecord& record, std::uintptr_t icon) {
    record.uFlags = tray_flag::kIconAndTip;
    record.hIcon = icon;
}

void SetTrayTipField(TrayRecord& record, const Text& tip) {
    record.uFlags = tray_flag::kIconAndTip;
    CopyToField(record.szTip, tip);
}

void SetBalloonFields(TrayRecord& record, const Text& title, const Text& text, IconKind kind) {
    record.uFlags = tray_flag::kInfo;
    CopyToField(record.szInfoTitle, title);
    CopyToField(record.szInfo, text);
    record.dwInfoFlags = static_cast<std::uint32_t>(kind);
}

}  // namespace qv
