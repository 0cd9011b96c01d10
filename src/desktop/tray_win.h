#pragma once
// The tray icon and its balloon tips, on the record held in the tray state. Every request reaches
// the shell through SendTrayRecord, the one place the record is handed over.
#include <windows.h>

#include <shellapi.h>

#include <cstdint>

#include "app/ports.h"
#include "desktop/tray_state.h"

namespace qv {

// The shell call behind SendTrayRecord: Shell_NotifyIconA in the program. A test may put
// a recorder in its place; the previous call is returned so it can be put back.
using TrayShellCall = BOOL(WINAPI*)(DWORD message, PNOTIFYICONDATAA data);
TrayShellCall ReplaceTrayShellCall(TrayShellCall call);

// NIM_ADD, NIM_MODIFY or NIM_DELETE with the record; the shell's result.
BOOL SendTrayRecord(DWORD message, TrayRecord& record);

// An icon made from image `imageNumber` of an icon file's bytes, 0 when the entry or its
// image does not lie within the bytes or the system refuses it. Width and height go to the
// outputs once the entry has been read. The handle is never destroyed.
HICON IconFromImageFile(const Bytes& file, int imageNumber = 0, std::uint8_t* width = nullptr,
                        std::uint8_t* height = nullptr);

// The first call adds the icon and installs TrayWindowProc; later calls change only the
// image and the tip. Returns the shell's result of the add.
int TraySetup(TrayState& state, HWND window, const Bytes* iconFile, const Text* tip,
              TrayMouseCallback callback);
void TraySetIcon(TrayState& state, const Bytes& iconFile);
void TraySetTip(TrayState& state, const Text& tip);
// Puts the window procedure back (when it was replaced) and deletes the icon.
void TrayRemove(TrayState& state);
// Shows a balloon; with autoHide the balloon timer on the main window is (re)armed.
void BalloonTip(TrayState& state, const Text& title, const Text& text, IconKind kind,
                int milliseconds, bool autoHide);
// The balloon timer's procedure: stops the timer and sends an empty balloon.
void CALLBACK HideBalloon(HWND window, UINT message, UINT_PTR id, DWORD time);

class WinTray final : public Tray {
  public:
    explicit WinTray(TrayState& state) : state_(state) {}
    int TraySetup(std::uintptr_t window, const Bytes* iconFile, const Text* tip,
                  TrayMouseCallback callback) override;
    void BalloonTip(const Text& title, const Text& text, IconKind kind, int milliseconds,
                    bool autoHide) override;
    void TrayRemove() override;

  private:
    TrayState& state_;
};

}  // namespace qv
