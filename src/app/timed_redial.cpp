// Timed redial: the caption of 按钮_定时 is the only record of whether timing is on.
#include "app/assistant.h"
#include "app/redial_period.h"
#include "base/number_text.h"

#include <random>

namespace qv {
namespace {

constexpr const char* kStartCaption = "开始定时";
constexpr const char* kStopCaption = "停止定时";

constexpr Unit kCommandButtons[] = {Unit::按钮_拔号, Unit::按钮_断线, Unit::按钮_重拔};

}  // namespace

bool Assistant::TimingOn() {
    return s_.units.ReadText(Unit::按钮_定时, prop::kCaption) == kStopCaption;
}

void Assistant::ToggleTimedRedial() {
    if (s_.units.ReadText(Unit::按钮_定时, prop::kCaption) == kStartCaption) {
        s_.units.WriteText(Unit::按钮_定时, prop::kCaption, kStopCaption);
        for (Unit button : kCommandButtons) {
            s_.units.WriteInt(button, prop::kDisabled, 1);
        }
        Balloon("已开启定时重拔！", IconKind::Info);
        const int seconds = TextToInt(s_.units.ReadText(Unit::编辑框_定时间隔, prop::kContent));
        timedIntervalMs_ = RedialPeriodMilliseconds(seconds);
        ArmTimer();
        return;
    }
    s_.units.WriteText(Unit::按钮_定时, prop::kCaption, kStartCaption);
    s_.units.WriteInt(Unit::时钟1, prop::kContent, 0);
    for (Unit button : kCommandButtons) {
        s_.units.WriteInt(button, prop::kDisabled, 0);
    }
    Balloon("定时重拔已关闭！", IconKind::Info);
}

// The clock keeps its period, so the next tick comes one interval later; with 定时抖动 each
// wait is drawn afresh, so that nodes started together drift apart.
void Assistant::TimedRedialTick() {
    RedialCommand({.automatic = true, .source = CommandSource::Timer});
    if (fleet_.jitterPercent > 0 && timedIntervalMs_ > 0 && TimingOn()) {
        ArmTimer();
    }
}

void Assistant::ArmTimer() {
    int period = timedIntervalMs_;
    if (fleet_.jitterPercent > 0 && period > 0) {
        if (!draw_) {
            draw_ = [engine = std::mt19937(s_.pump.TickCount())]() mutable {
                return static_cast<std::uint32_t>(engine());
            };
        }
        period = static_cast<int>(
            JitteredIntervalMs(static_cast<std::uint32_t>(period), fleet_.jitterPercent, draw_()));
    }
    s_.units.WriteInt(Unit::时钟1, prop::kContent, period);
}

}  // namespace qv
