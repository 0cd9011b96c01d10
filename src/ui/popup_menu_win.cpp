#include "ui/popup_menu_win.h"

#include "base/system_handles_win.h"
#include "ui/form_win.h"
#include "ui/popup_entries.h"

namespace qv {
namespace {

MenuHandle BuildPopup(const std::vector<PopupEntry>& entries) {
    MenuHandle popup(CreatePopupMenu());
    if (!popup) {
        return popup;
    }
    for (const PopupEntry& entry : entries) {
        if (entry.separator) {
            AppendMenuA(popup.get(), MF_SEPARATOR, 0, nullptr);
            continue;
        }
        const UINT flags =
            MF_STRING | (entry.disabled ? MF_GRAYED : 0u) | (entry.checked ? MF_CHECKED : 0u);
        AppendMenuA(popup.get(), flags, static_cast<UINT_PTR>(entry.command),
                    entry.caption.c_str());
    }
    return popup;
}

}  // namespace

void ShowFormPopupMenu(HWND window, Unit menu, const int* x, const int* y) {
    // Only the form's own window knows what the entries' command numbers mean.
    if (FormWindow::FromWindow(window) == nullptr) {
        return;
    }
    const std::vector<PopupEntry> entries = PopupEntries(MainForm(), menu);
    if (entries.empty()) {
        return;
    }
    MenuHandle popup = BuildPopup(entries);
    if (!popup) {
        return;
    }
    POINT at = {};
    GetCursorPos(&at);
    at.x = x ? *x : at.x + 3;
    at.y = y ? *y : at.y + 3;

    // A popup opened from a tray notification closes on Esc or on a click elsewhere only
    // when its owner is the foreground window while it tracks, and the owner gets a
    // message right after it closes (a long-standing system quirk).
    SetForegroundWindow(window);
    // No TPM_RETURNCMD: the chosen entry is posted to the window as WM_COMMAND, so its
    // click handler runs once the current handler is back in the message loop.
    TrackPopupMenu(popup.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0,
                   window, nullptr);
    PostMessageA(window, WM_NULL, 0, 0);
}

}  // namespace qv
