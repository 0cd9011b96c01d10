#include "app/assistant.h"

#include <string>

namespace qv {
namespace {

constexpr int kRedialPauseMilliseconds = 1000;

}  // namespace

void Assistant::SetStatus(int part, const Text& text) {
    s_.units.SetStatusText(Unit::状态条1, part, text);
}

// Account and password come from the window as it stands now, not from Config.ini. Only
// IsConnected afterwards decides whether the dial worked; the dial's own code says why not.
std::uint32_t Assistant::DialChosenEntry(CommandResult& result) {
    const Text entry = EntryArgument();
    const Text account = s_.units.ReadText(Unit::编辑框_宽带账号, prop::kContent);
    const Text password = s_.units.ReadText(Unit::编辑框_宽带密码, prop::kContent);
    ++result.dials;
    return s_.dialup.Dial(entry, account, password, true);
}

namespace {

CommandResult Refusal(const char* text) {
    CommandResult result;
    result.status = CommandStatus::Refused;
    result.message = text;
    return result;
}

void Fail(CommandResult& result, const char* text, std::uint32_t code) {
    result.status = CommandStatus::Failed;
    result.message = text;
    result.rasError = code;
}

}  // namespace

CommandResult Assistant::DialCommand(const DialOptions&) {
    if (s_.dialup.IsConnected()) {
        return Refusal("当前已有网络链接，请断线后再拔号！");
    }
    CommandResult result;
    result.ipBefore = state_.currentIp;
    const std::uint32_t code = DialChosenEntry(result);
    if (s_.dialup.IsConnected()) {
        state_.currentIp = PublicIpLookup();
        SetStatus(0, "当前状态：拔号完毕");
        SetStatus(1, "当前IP：" + state_.currentIp);
        Balloon("拔号完毕，当前IP为\"" + state_.currentIp + "\"", IconKind::Info);
        result.ipAfter = state_.currentIp;
        result.newAddress = !result.ipAfter.empty() && result.ipAfter != result.ipBefore;
    } else {
        // On failure the balloon comes first, unlike on success.
        Balloon("拔号失败！", IconKind::Error);
        SetStatus(0, "当前状态：拔号失败");
        Fail(result, "拔号失败！", code);
    }
    return result;
}

CommandResult Assistant::HangUpCommand() {
    if (!s_.dialup.IsConnected()) {
        return Refusal("当前无拔号连接，无需断线！");
    }
    CommandResult result;
    state_.previousIp = PublicIpLookup();  // while the line is still up
    result.ipBefore = state_.previousIp;
    SetStatus(2, "之前IP：" + state_.previousIp);
    s_.dialup.HangUpAll();
    SetStatus(0, "当前状态：已断开网络连接");
    Balloon("已断开网络连接", IconKind::Info);
    return result;
}

// A repeated IP starts the whole redial over: while 选择框_IP重复 is ticked (read afresh after
// every comparison: the user may clear it during the pause), or until the address is new.
// That can go on without bound, so it is a loop rather than the command calling itself.
CommandResult Assistant::RedialCommand(const RedialOptions& options) {
    const bool untilNew = options.repeat == RedialOptions::Repeat::UntilNewAddress;
    CommandResult result;
    // Without a line to look up, the address before is the last one known.
    result.ipBefore = state_.currentIp;
    for (int round = 1;; ++round) {
        SetStatus(0, "当前状态：正在重拔");
        Balloon("正在重拔....", IconKind::Info);
        if (s_.dialup.IsConnected()) {
            state_.previousIp = PublicIpLookup();
            if (round == 1) {
                result.ipBefore = state_.previousIp;
            }
            s_.dialup.HangUpAll();
            DelayWithEvents(kRedialPauseMilliseconds);
        }
        const std::uint32_t code = DialChosenEntry(result);

        if (!s_.dialup.IsConnected()) {
            Balloon("重拔失败！", IconKind::Error);
            SetStatus(0, "当前状态：重拔失败");
            Fail(result, "重拔失败！", code);
            return result;
        }
        state_.currentIp = PublicIpLookup();
        SetStatus(1, "当前IP：" + state_.currentIp);
        SetStatus(2, "之前IP：" + state_.previousIp);
        result.ipAfter = state_.currentIp;
        result.newAddress = !result.ipAfter.empty() && result.ipAfter != result.ipBefore;
        const bool sameIp = state_.previousIp == state_.currentIp;
        if (!untilNew && sameIp && s_.units.ReadInt(Unit::选择框_IP重复, prop::kChecked) != 0) {
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
        // Each attempt reports as a redial of its own; the box is not asked.
        if (untilNew && !result.newAddress) {
            if (round < options.maxTries) {
                continue;
            }
            result.status = CommandStatus::Failed;
            result.message = "重拔" + std::to_string(round) + "次后IP仍未改变";
        }
        return result;
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
