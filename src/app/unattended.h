#pragma once
// A node that runs alone: section 无人值守 of Config.ini, read once at start-up and never
// written. Without it the program starts as it always has: no dial, no timer, every balloon.
#include "app/ports.h"

namespace qv {

inline constexpr const char* kUnattendedSection = "无人值守";
inline constexpr const char* kKeyDialAtStart = "启动拔号";
inline constexpr const char* kKeyTimerAtStart = "定时重拔";
inline constexpr const char* kKeyStartMinimised = "启动最小化";
inline constexpr const char* kKeyBalloons = "提示";

enum class BalloonChoice { All, Failures, None };  // 全部, 失败, 无

struct UnattendedSettings {
    bool dialAtStart = false;  // dial after the start-up checks when no line is up
    int timerSeconds = 0;      // start the timed redial with this interval; 0: not
    bool startMinimised = false;
    BalloonChoice balloons = BalloonChoice::All;
};

// A value out of its range, or one it does not know, keeps the default.
UnattendedSettings ReadUnattendedSettings(Profile& profile);

// The tray as 提示 asks: every balloon, only warnings and failures, or none. Everything else
// passes through.
class BalloonFilter final : public Tray {
  public:
    BalloonFilter(Tray& tray, BalloonChoice choice) : tray_(tray), choice_(choice) {}
    int TraySetup(std::uintptr_t window, const Bytes* iconFile, const Text* tip,
                  TrayMouseCallback callback) override {
        return tray_.TraySetup(window, iconFile, tip, callback);
    }
    void BalloonTip(const Text& title, const Text& text, IconKind kind, int milliseconds,
                    bool autoHide) override {
        if (choice_ == BalloonChoice::All || (choice_ == BalloonChoice::Failures &&
                                              kind != IconKind::Info && kind != IconKind::None)) {
            tray_.BalloonTip(title, text, kind, milliseconds, autoHide);
        }
    }
    void TrayRemove() override { tray_.TrayRemove(); }

  private:
    Tray& tray_;
    const BalloonChoice choice_;
};

}  // namespace qv
