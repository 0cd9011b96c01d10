#include "app/assistant.h"

namespace qv {
namespace {

constexpr int kRedialPauseMilliseconds = 1000;

}  // namespace

void Assistant::SetStatus(int part, const Text& text) {
    s_.units.SetStatusText(Unit::状态条1, part, text);
}

// Account and password come from the window as it stands now, not from Config.ini. Only
// IsConnected afterwards decides whether the dial worked.
void Assistant::DialChosenEntry() {
    const Text entry = EntryArgument();
    const Text account = s_.units.ReadText(Unit::编辑框_宽带账号, prop::kContent);
    const Text password = s_.units.ReadText(Unit::编辑框_宽带密码, prop::kContent);
    s_.dialup.Dial(entry, account, password, true);
}

void Assistant::Refuse(const Text& text) {
    if (scripted_ != nullptr) {
        scripted_->refusal = text;
        return;
    }
    s_.units.MessageBox(text, 0);
}

bool Assistant::RedialsOnRepeat() {
    if (scripted_ != nullptr && scripted_->redialOnRepeat.has_value()) {
        return *scripted_->redialOnRepeat;
    }
    return s_.units.ReadInt(Unit::选择框_IP重复, prop::kChecked) != 0;
}

void Assistant::DialCommand() {
    if (s_.dialup.IsConnected()) {
        Refuse("当前已有网络链接，请断线后再拔号！");
        return;
    }
    DialChosenEntry();
    if (s_.dialup.IsConnected()) {
        state_.currentIp = PublicIpLookup();
        SetStatus(0, "当前状态：拔号完毕");
        SetStatus(1, "当前IP：" + state_.currentIp);
        Balloon("拔号完毕，当前IP为\"" + state_.currentIp + "\"", IconKind::Info);
    } else {
        // On failure the balloon comes first, unlike on success.
        Balloon("拔号失败！", IconKind::Error);
        SetStatus(0, "当前状态：拔号失败");
    }
}

void Assistant::HangUpCommand() {
    if (!s_.dialup.IsConnected()) {
        Refuse("当前无拔号连接，无需断线！");
        return;
    }
    state_.previousIp = PublicIpLookup();  // while the line is still up
    SetStatus(2, "之前IP：" + state_.previousIp);
    s_.dialup.HangUpAll();
    SetStatus(0, "当前状态：已断开网络连接");
    Balloon("已断开网络连接", IconKind::Info);
}

// A repeated IP with 选择框_IP重复 ticked starts the whole redial over. That can go on
// without bound, so it is a loop rather than the command calling itself.
void Assistant::RedialCommand() {
    for (;;) {
        SetStatus(0, "当前状态：正在重拔");
        Balloon("正在重拔....", IconKind::Info);
        if (s_.dialup.IsConnected()) {
            state_.previousIp = PublicIpLookup();
            s_.dialup.HangUpAll();
            DelayWithEvents(kRedialPauseMilliseconds);
        }
        DialChosenEntry();

        if (!s_.dialup.IsConnected()) {
            Balloon("重拔失败！", IconKind::Error);
            SetStatus(0, "当前状态：重拔失败");
            return;
        }
        state_.currentIp = PublicIpLookup();
        SetStatus(1, "当前IP：" + state_.currentIp);
        SetStatus(2, "之前IP：" + state_.previousIp);
        const bool sameIp = state_.previousIp == state_.currentIp;
        // Read afresh after every comparison: the user may clear it during the pause.
        if (sameIp && RedialsOnRepeat()) {
            Balloon("IP重复，继续进行重拔", IconKind::Warning);
            continue;
        }
        if (sameIp) {
            Balloon("重拔完毕，当前IP与之前IP重复：" + state_.currentIp, IconKind::Info);
        } else {
            Balloon("重拔完毕，当前IP为\"" + state_.currentIp + "\"，之前IP为\"" +
                        state_.previousIp + "\"",
                    IconKind::Info);
        }
        SetStatus(0, "当前状态：重拔完毕");
        return;
    }
}

// Dispatches window messages until the time is up. It sleeps in WaitForEvents between
// messages instead of polling the tick count, so a pause does not keep a processor busy.
// The tick count wraps every 49.7 days; elapsed time in unsigned arithmetic stays right
// across the wrap.
void Assistant::DelayWithEvents(int milliseconds) {
    if (milliseconds <= 0) {
        return;
    }
    const std::uint32_t span = static_cast<std::uint32_t>(milliseconds);
    const std::uint32_t start = s_.pump.TickCount();
    for (;;) {
        s_.pump.ProcessPendingEvents();
        const std::uint32_t elapsed = s_.pump.TickCount() - start;
        if (elapsed > span) {
            return;
        }
        s_.pump.WaitForEvents(span - elapsed + 1);
    }
}

}  // namespace qv
