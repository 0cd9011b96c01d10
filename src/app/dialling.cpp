// Dialling the chosen entry: the least time between two dials, and for a dial nobody clicked
// for, further tries by the failure's cause.
#include "app/assistant.h"
#include "base/number_text.h"

namespace qv {

// Account and password come from the window as it stands now, not from Config.ini. Only
// IsConnected afterwards decides whether the dial worked; the dial's own code says why not.
std::uint32_t Assistant::DialOnce(CommandResult& result) {
    HoldMinimumGap();
    const Text entry = EntryArgument();
    const Text account = s_.units.ReadText(Unit::编辑框_宽带账号, prop::kContent);
    const Text password = s_.units.ReadText(Unit::编辑框_宽带密码, prop::kContent);
    ++result.dials;
    const std::uint32_t code = s_.dialup.Dial(entry, account, password, true);
    lastDialTick_ = s_.pump.TickCount();
    if (code == 0) {
        hungUpByProgram_ = false;
    }
    return code;
}

// ISPs block accounts that redial too often: a dial that comes too soon waits.
void Assistant::HoldMinimumGap() {
    const std::uint32_t gap = static_cast<std::uint32_t>(keepLine_.minimumGapSeconds) * 1000;
    if (gap == 0 || !lastDialTick_) {
        return;
    }
    const std::uint32_t since = s_.pump.TickCount() - *lastDialTick_;
    if (since >= gap) {
        return;
    }
    const std::uint32_t wait = gap - since;
    SetStatus(0, "当前状态：距上次拔号不足" + IntToText(keepLine_.minimumGapSeconds) + "秒，等待" +
                     IntToText(static_cast<int>((wait + 999) / 1000)) + "秒后拔号");
    DelayWithEvents(static_cast<int>(wait));
}

std::uint32_t Assistant::DialChosenEntry(CommandResult& result, bool automatic) {
    int retries = 0;
    int accountRefusals = 0;
    std::uint32_t backoff = 0;
    for (;;) {
        const std::uint32_t code = DialOnce(result);
        lineStatus_.lastError = code;
        lineStatus_.tries = result.dials;
        if (code == 0 || !automatic) {
            return code;
        }
        accountRefusals =
            ClassifyDialError(code) == DialErrorClass::Account ? accountRefusals + 1 : 0;
        const RetryStep step = NextRetry(keepLine_, code, retries, accountRefusals, backoff);
        if (!step.retry || !WaitForRetry(step.waitMs, code)) {
            return code;
        }
        ++retries;
    }
}

// The window answers throughout; a command started meanwhile (a click, the tray, a hotkey)
// takes over and the retry is dropped.
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
        if (commandsStarted_ != commandsBefore) {
            return false;
        }
        const std::uint32_t elapsed = s_.pump.TickCount() - start;
        if (elapsed >= milliseconds) {
            return true;
        }
        s_.pump.WaitForEvents(milliseconds - elapsed);
    }
}

}  // namespace qv
