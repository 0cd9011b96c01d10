#include "app/unattended.h"

#include "app/assistant.h"
#include "app/settings.h"
#include "base/number_text.h"

namespace qv {

UnattendedSettings ReadUnattendedSettings(Profile& profile) {
    UnattendedSettings settings;
    const auto flag = [&](const char* key) {
        return ReadBoundedSetting(profile, key, kUnattendedSection, 0, 1, 0) == 1;
    };
    settings.dialAtStart = flag(kKeyDialAtStart);
    settings.startMinimised = flag(kKeyStartMinimised);
    // The timer box's own least interval, so that a node may redial as often as a person can.
    settings.timerSeconds =
        ReadBoundedSetting(profile, kKeyTimerAtStart, kUnattendedSection, 1, 86400, 0);
    const Text balloons = ReadSetting(profile, kKeyBalloons, kUnattendedSection);
    settings.balloons = balloons == "失败" ? BalloonChoice::Failures
                        : balloons == "无" ? BalloonChoice::None
                                           : BalloonChoice::All;
    return settings;
}

// After the start-up and once those who follow the line listen: the dial is an automatic one,
// retried by cause as 线路保持 says; the timer starts as if the interval had been typed and
// 开始定时 clicked.
void Assistant::StartUnattended(const UnattendedSettings& settings) {
    if (settings.dialAtStart && !s_.dialup.IsConnected()) {
        DialCommand({.automatic = true, .source = CommandSource::Startup});
    }
    if (settings.timerSeconds > 0 && !TimingOn()) {
        s_.units.WriteText(Unit::编辑框_定时间隔, prop::kContent, IntToText(settings.timerSeconds));
        ToggleTimedRedial();
    }
}

}  // namespace qv
