// Timed redial: the caption of 按钮_定时 is the only record of whether timing is on.
#include "app/assistant.h"
#include "app/redial_period.h"
#include "base/number_text.h"

namespace qv {
namespace {

constexpr const char* kStartCaption = "开始定时";
constexpr const char* kStopCaption = "停止定时";

constexpr Unit kCommandButtons[] = {Unit::按钮_拔号, Unit::按钮_断线, Unit::按钮_重拔};

}  // namespace

void Assistant::ToggleTimedRedial() {
    if (s_.units.ReadText(Unit::按钮_定时, prop::kCaption) == kStartCaption) {
        s_.units.WriteText(Unit::按钮_定时, prop::kCaption, kStopCaption);
        for (Unit button : kCommandButtons) {
            s_.units.WriteInt(button, prop::kDisabled, 1);
        }
        Balloon("已开启定时重拔！", IconKind::Info);
        const int seconds = TextToInt(s_.units.ReadText(Unit::编辑框_定时间隔, prop::kContent));
        s_.units.WriteInt(Unit::时钟1, prop::kContent, RedialPeriodMilliseconds(seconds));
        return;
    }
    s_.units.WriteText(Unit::按钮_定时, prop::kCaption, kStartCaption);
    s_.units.WriteInt(Unit::时钟1, prop::kContent, 0);
    for (Unit button : kCommandButtons) {
        s_.units.WriteInt(button, prop::kDisabled, 0);
    }
    Balloon("定时重拔已关闭！", IconKind::Info);
}

// The clock keeps its period, so the next tick comes one interval later.
void Assistant::TimedRedialTick() {
    RedialCommand({.automatic = true});
}

}  // namespace qv
