#include "desktop/tray_win.h"

#include <cstddef>
#include <cstdio>
#include <cstring>

#include "base/failure_record_win.h"
#include "desktop/icon_file.h"
#include "desktop/tray_fields.h"
#include "desktop/tray_window_proc_win.h"

namespace qv {

// The record must be the balloon-capable form the shell knows: a size it does not know is
// read as the oldest form, and the balloon texts are silently dropped.
static_assert(kTrayRecordSize == NOTIFYICONDATAA_V2_SIZE);
static_assert(offsetof(TrayRecord, hIcon) == offsetof(NOTIFYICONDATAA, hIcon));
static_assert(offsetof(TrayRecord, szTip) == offsetof(NOTIFYICONDATAA, szTip));
static_assert(offsetof(TrayRecord, szInfo) == offsetof(NOTIFYICONDATAA, szInfo));
static_assert(offsetof(TrayRecord, uTimeout) == offsetof(NOTIFYICONDATAA, uTimeout));
static_assert(offsetof(TrayRecord, szInfoTitle) == offsetof(NOTIFYICONDATAA, szInfoTitle));
static_assert(offsetof(TrayRecord, dwInfoFlags) == offsetof(NOTIFYICONDATAA, dwInfoFlags));

namespace {

// The version CreateIconFromResource requires for icon images.
constexpr DWORD kIconFormatVersion = 0x30000;

TrayShellCall shellCall = &Shell_NotifyIconA;

}  // namespace

TrayShellCall ReplaceTrayShellCall(TrayShellCall call) {
    TrayShellCall previous = shellCall;
    shellCall = call;
    return previous;
}

BOOL SendTrayRecord(DWORD message, TrayRecord& record) {
    const BOOL accepted = shellCall(message, reinterpret_cast<PNOTIFYICONDATAA>(&record));
    if (!accepted) {
        // The shell says no more than that; the message (0 add, 1 modify, 2 delete) says what.
        RecordFailure(message == NIM_ADD      ? "Shell_NotifyIconA(NIM_ADD)"
                      : message == NIM_MODIFY ? "Shell_NotifyIconA(NIM_MODIFY)"
                                              : "Shell_NotifyIconA(NIM_DELETE)",
                      GetLastError());
    } else if (message == NIM_MODIFY && (record.uFlags & NIF_INFO) && record.szInfo[0]) {
        char shown[sizeof record.szInfoTitle + sizeof record.szInfo + 2];
        std::snprintf(shown, sizeof shown, "%.*s: %.*s",
                      static_cast<int>(strnlen(record.szInfoTitle, sizeof record.szInfoTitle)),
                      record.szInfoTitle,
                      static_cast<int>(strnlen(record.szInfo, sizeof record.szInfo)),
                      record.szInfo);
        RecordShown("balloon", shown);
    }
    return accepted;
}

HICON IconFromImageFile(const Bytes& file, int imageNumber, std::uint8_t* width,
                        std::uint8_t* height) {
    const std::optional<IconEntry> entry = IconEntryAt(file, imageNumber);
    if (!entry) {
        return nullptr;
    }
    if (width) {
        *width = entry->width;
    }
    if (height) {
        *height = entry->height;
    }
    Bytes image = IconImage(file, *entry);
    if (image.empty()) {
        return nullptr;
    }
    return CreateIconFromResource(image.data(), static_cast<DWORD>(image.size()), TRUE,
                                  kIconFormatVersion);
}

int TraySetup(TrayState& state, HWND window, const Bytes* iconFile, const Text* tip,
              TrayMouseCallback callback) {
    state.mainWindow = reinterpret_cast<std::uintptr_t>(window);
    if (state.savedWindowProc != 0) {
        // The icon exists: change only what was passed; the callback stays.
        if (iconFile) {
            TraySetIcon(state, *iconFile);
        }
        if (tip) {
            TraySetTip(state, *tip);
        }
        return TRUE;
    }

    HICON icon = nullptr;
    if (iconFile == nullptr) {
        icon = reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, ICON_SMALL, 0));
        if (icon == nullptr) {
            return FALSE;
        }
    } else {
        // An undecodable image still gets its (empty) slot and the subclass.
        icon = IconFromImageFile(*iconFile);
    }

    state.savedWindowProc = static_cast<std::uintptr_t>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TrayWindowProc)));
    if (callback) {
        state.trayCallback = callback;
    }
    state.trayIcon = reinterpret_cast<std::uintptr_t>(icon);
    if (iconFile != nullptr) {
        state.ownedIcon = state.trayIcon;  // the window's own small icon is the window's
    }
    FillTrayAddRecord(state.trayRecord, state.mainWindow, state.trayIcon, tip ? *tip : Text());
    return SendTrayRecord(NIM_ADD, state.trayRecord);
}

namespace {

// Once the shell shows another icon or none, the one made from the file is destroyed.
void DestroyOwnedIcon(TrayState& state, std::uintptr_t keep) {
    if (state.ownedIcon != 0 && state.ownedIcon != keep) {
        DestroyIcon(reinterpret_cast<HICON>(state.ownedIcon));
    }
    state.ownedIcon = keep;
}

}  // namespace

void TraySetIcon(TrayState& state, const Bytes& iconFile) {
    HICON icon = IconFromImageFile(iconFile);
    if (icon == nullptr) {
        return;
    }
    state.trayIcon = reinterpret_cast<std::uintptr_t>(icon);
    SetTrayIconField(state.trayRecord, state.trayIcon);
    SendTrayRecord(NIM_MODIFY, state.trayRecord);
    DestroyOwnedIcon(state, state.trayIcon);
}

void TraySetTip(TrayState& state, const Text& tip) {
    SetTrayTipField(state.trayRecord, tip);
    SendTrayRecord(NIM_MODIFY, state.trayRecord);
}

void TrayRemove(TrayState& state) {
    if (state.savedWindowProc != 0) {
        SetWindowLongPtrA(reinterpret_cast<HWND>(state.mainWindow), GWLP_WNDPROC,
                          static_cast<LONG_PTR>(state.savedWindowProc));
        state.savedWindowProc = 0;
    }
    SendTrayRecord(NIM_DELETE, state.trayRecord);
    DestroyOwnedIcon(state, 0);
}

void BalloonTip(TrayState& state, const Text& title, const Text& text, IconKind kind,
                int milliseconds, bool autoHide) {
    SetBalloonFields(state.trayRecord, title, text, kind);
    SendTrayRecord(NIM_MODIFY, state.trayRecord);
    if (autoHide) {
        // Same window and id: a newer balloon replaces the running timer, so the countdown
        // starts again from it.
        SetTimer(reinterpret_cast<HWND>(state.mainWindow), kBalloonTimerId,
                 static_cast<UINT>(milliseconds < 0 ? 0 : milliseconds), &HideBalloon);
    }
}

void CALLBACK HideBalloon(HWND, UINT, UINT_PTR, DWORD) {
    TrayState& state = TheTrayState();
    KillTimer(reinterpret_cast<HWND>(state.mainWindow), kBalloonTimerId);
    // The shell takes a balloon with an empty text as the request to remove it.
    SetBalloonFields(state.trayRecord, Text(), Text(), IconKind::None);
    SendTrayRecord(NIM_MODIFY, state.trayRecord);
}

int WinTray::TraySetup(std::uintptr_t window, const Bytes* iconFile, const Text* tip,
                       TrayMouseCallback callback) {
    return qv::TraySetup(state_, reinterpret_cast<HWND>(window), iconFile, tip, callback);
}

void WinTray::BalloonTip(const Text& title, const Text& text, IconKind kind, int milliseconds,
                         bool autoHide) {
    qv::BalloonTip(state_, title, text, kind, milliseconds, autoHide);
}

void WinTray::TrayRemove() {
    qv::TrayRemove(state_);
}

}  // namespace qv
