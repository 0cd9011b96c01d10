// Dialling the chosen entry: the least time between two dials, and for a dial nobody clicked
// for, further tries by the failure's cause.
#include "app/assistant.h"
#include "base/number_text.h"

namespace qv {

// Account and password come from the window as it stands now, not from Config.ini. Only
// IsConnected afterwards decides whether the dial worked; the dial's own code says why not.
std::optional<std::uint32_t> Assistant::DialOnce(CommandResult& result) {
    if (!HoldMinimumGap(result)) {
        return std::nullopt;
    }
    const Text entry = EntryArgument();
    const Text account = s_.units.ReadText(Unit::编辑框_宽带账号, prop::kContent);
    const Text password = s_.units.ReadText(Unit::编辑框_宽带密码, prop::kContent);
    ++result.dials;
    ++lineActions_;
    const std::uint32_t start = s_.pump.TickCount();
    const std::uint32_t code = s_.dialup.Dial(entry, account, password, true);
    lastDialTick_ = s_.pump.TickCount();
    if (code == 0) {
        hungUpByProgram_ = false;
    }
    if (s_.listeners != nullptr) {
        s_.listeners->OnDial(code, *lastDialTick_ - start);
    }
    return code;
}

// ISPs block accounts that redial too often: a dial that comes too soon waits.
// The wait lets the window answer, so a click, the tray, a hotkey or a timer tick may run a
// command inside it; that command waits for the same moment and dials first.
bool Assistant::HoldMinimumGap(CommandResult& result) {
    const std::uint32_t gap = static_cast<std::uint32_t>(keepLine_.minimumGapSeconds) * 1000;
    if (gap == 0 || !lastDialTick_) {
        return true;
    }
    const std::uint32_t since = s_.pump.TickCount() - *lastDialTick_;
    if (since >= gap) {
        return true;
    }
    const std::uint32_t wait = gap - since;
    SetStatus(0, "当前状态：距上次拔号不足" + IntToText(keepLine_.minimumGapSeconds) + "秒，等待" +
                     IntToText(static_cast<int>((wait + 999) / 1000)) + "秒后拔号");
    const int lineActionsBefore = lineActions_;
    DelayWithEvents(static_cast<int>(wait));
    return MayStillDial(lineActionsBefore, result);
}

bool Assistant::MayStillDial(int lineActionsBefore, CommandResult& result) {
    if (lineActions_ != lineActionsBefore) {
        result.status = CommandStatus::GaveWay;
        result.message = "等待期间已有其他命令执行，本次不再拔号";
        return false;
    }
    if (s_.dialup.IsConnected()) {
        result.status = CommandStatus::GaveWay;
        result.message = "等待期间线路已连通，本次不再拔号";
        return false;
    }
    return true;
}

std::optional<std::uint32_t> Assistant::DialChosenEntry(CommandResult& result, bool automatic) {
    int retries = 0;
    int accountRefusals = 0;
    std::uint32_t backoff = 0;
    for (;;) {
        const std::optional<std::uint32_t> dialled = DialOnce(result);
        if (!dialled) {
            return std::nullopt;
        }
        const std::uint32_t code = *dialled;
        lineStatus_.lastError = code;
        lineStatus_.tries = result.dials;
        if (code == 0 || !automatic) {
            return code;
        }
        accountRefusals =
            ClassifyDialError(code) == DialErrorClass::Account ? accountRefusals + 1 : 0;
        const RetryStep step = NextRetry(keepLine_, code, retries, accountRefusals, backoff);
        if (!step.retry) {
            return code;
        }
        const int lineActionsBefore = lineActions_;
        const bool waitedInFull = WaitForRetry(step.waitMs, code);
        if (!MayStillDial(lineActionsBefore, result)) {
            return std::nullopt;
        }
        if (!waitedInFull) {
            return code;  // a person's command, refused, still ends the retrying
        }
        ++retries;
    }
}

// The window answers throughout; a command started meanwhile (a click, the tray, a hotkey)
// ends the wait at once and takes over. False when one did.
bool Assistant::WaitForRetry(std::uint32_t milliseconds, std::uint32_t code) {
    SetStatus(0, "当前状态：拔号失败（错误" + IntToText(static_cast<int>(code)) + "），" +
                     IntToText(static_cast<int>((milliseconds + 999) / 1000)) + "秒后重试");
    if (s_.listeners != nullptr) {
        s_.listeners->OnRetryWait(code, milliseconds);
    }
    const int commandsBefore = commandsStarted_;
    const std::uint32_t start = s_.pump.TickCount();
    for (;;) {
        s_.pump.ProcessPendingEvents();
        const std::uint32_t elapsed = s_.pump.TickCount() - start;
        if (commandsStarted_ != commandsBefore) {
            return false;
        }
        if (elapsed >= milliseconds) {
            return true;
        }
        s_.pump.WaitForEvents(milliseconds - elapsed);
    }
}

}  // namespace qv
