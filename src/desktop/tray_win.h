#pragma once
// The tray icon and its balloon tips, on the record held in AppState.
#include "app/app_state.h"
#include "app/ports.h"

namespace qv {

class WinTray final : public Tray {
public:
    explicit WinTray(AppState& state) : state_(state) {}
    int TraySetup(std::uintptr_t window, const Bytes* iconFile, const Text* tip,
                  TrayMouseCallback callback) override;
    void BalloonTip(const Text& title, const Text& text, IconKind kind, int milliseconds,
                    bool autoHide) override;
    void TrayRemove() override;

private:
    AppState& state_;
};

}  // namespace qv
