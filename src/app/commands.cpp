#include "app/assistant.h"

#include <string>

#include "base/handle.h"
#include "base/number_text.h"

namespace qv {
void Assistant::SetStatus(int part, const Text& text) {
    s_.units.SetStatusText(Unit::状态条1, part, text);
}

namespace {

constexpr int kSlotPollMs = 1000;

// The rotation slot a redial took, given back however the command ends (after its publish:
// the pool sends the release behind it).
class SlotScope {
  public:
    explicit SlotScope(Fleet* fleet) : fleet_(fleet) {}
    ~SlotScope() {
        if (fleet_ != nullptr) {
            fleet_->ReleaseRotationSlot();
        }
    }
    SlotScope(const SlotScope&) = delete;
    SlotScope& operator=(const SlotScope&) = delete;

  private:
    Fleet* fleet_;
};

CommandResult Refusal(const char* text) {
    CommandResult result;
    result.status = CommandStatus::Refused;
    result.message = text;
    return result;
}

// Counts a command from its start to its end, however it ends.
class CommandScope {
  public:
    CommandScope(int& started, int& depth) : depth_(depth) {
        ++started;
        ++depth_;
    }
    ~CommandScope() { --depth_; }
    CommandScope(const CommandScope&) = delete;
    CommandScope& operator=(const CommandScope&) = delete;

  private:
    int& depth_;
};

}  // namespace

// A failed dial reports in the balloon's words; with retries configured, an account refusal
// says so, since no retry mends it.
void Assistant::Fail(CommandResult& result, const char* text, std::uint32_t code) {
    result.status = CommandStatus::Failed;
    result.message = text;
    result.rasError = code;
    if (keepLine_.retries > 0 && ClassifyDialError(code) == DialErrorClass::Account) {
        result.message += "账号或密码被拒绝（错误" + IntToText(static_cast<int>(code)) + "）";
    }
    Balloon(result.message, IconKind::Error);
}

bool Assistant::HangUpLine(CommandResult& result) {
    if (s_.listeners != nullptr) {
        s_.listeners->BeforeHangUp();
    }
    if (fleet_.drainSeconds > 0) {
        // Consumers that fetched the address finish with it before the line goes.
        SetStatus(0, "当前状态：已从代理池摘除，" + IntToText(fleet_.drainSeconds) + "秒后断线");
        const int lineActionsBefore = lineActions_;
        Waiting(WaitKind::Drain);
        DelayWithEvents(fleet_.drainSeconds * 1000);
        Waiting(WaitKind::None);
        if (lineActions_ != lineActionsBefore) {
            result.status = CommandStatus::GaveWay;
            result.message = "等待期间已有其他命令执行，本次不再断线";
            return false;
        }
    }
    hungUpByProgram_ = true;
    ++lineActions_;
    s_.dialup.HangUpAll();
    return true;
}

bool Assistant::TakeRotationSlot(bool automatic, CommandResult& result) {
    for (;;) {
        if (s_.fleet->TakeRotationSlot() != Fleet::Slot::Full || !automatic) {
            return true;  // Redis away: the fleet's own limit is no reason to stand still
        }
        SetStatus(0, "当前状态：同时重拔的节点已满，等待空位");
        const int lineActionsBefore = lineActions_;
        Waiting(WaitKind::Slot);
        DelayWithEvents(kSlotPollMs);
        Waiting(WaitKind::None);
        if (lineActions_ != lineActionsBefore) {
            result.status = CommandStatus::GaveWay;
            result.message = "等待期间已有其他命令执行，本次不再重拔";
            return false;
        }
    }
}

void Assistant::Waiting(WaitKind kind) {
    if (s_.listeners != nullptr) {
        s_.listeners->OnWaiting(kind);
    }
}

void Assistant::Tell(LineEventKind kind, const CommandResult& result, bool kept) {
    lineAddress_ = kind == LineEventKind::Connected ? result.ipAfter : Text();
    if (s_.listeners == nullptr) {
        return;
    }
    LineEvent event;
    event.kind = kind;
    event.ip = kind == LineEventKind::Connected ? result.ipAfter : Text();
    event.previousIp = kind == LineEventKind::Connected ? result.ipBefore : state_.previousIp;
    event.entry = ChosenEntryName();
    event.rasError = result.rasError;
    event.newAddress = result.newAddress;
    event.kept = kept;
    event.source = sources_.empty() ? CommandSource::Drop : sources_.back();
    s_.listeners->OnLineEvent(event);
}

template <typename Command>
CommandResult Assistant::Recorded(CommandVerb verb, CommandSource source, Command command) {
    const std::uint32_t start = s_.pump.TickCount();
    sources_.push_back(source);
    ScopeGuard pop([this] { sources_.pop_back(); });
    const CommandResult result = command();
    if (s_.listeners != nullptr) {
        s_.listeners->OnCommand(
            {verb, source, result, s_.pump.TickCount() - start, ChosenEntryName()});
    }
    return result;
}

CommandResult Assistant::DialCommand(const DialOptions& options) {
    return Recorded(CommandVerb::Dial, options.source, [&] { return Dial(options); });
}

CommandResult Assistant::HangUpCommand(const HangUpOptions& options) {
    return Recorded(CommandVerb::HangUp, options.source, [&] { return HangUp(); });
}

CommandResult Assistant::RedialCommand(const RedialOptions& options) {
    return Recorded(CommandVerb::Redial, options.source, [&] { return Redial(options); });
}

CommandResult Assistant::Dial(const DialOptions& options) {
    CommandScope scope(commandsStarted_, commandDepth_);
    if (s_.dialup.IsConnected()) {
        return Refusal("当前已有网络链接，请断线后再拔号！");
    }
    CommandResult result;
    result.ipBefore = state_.currentIp;
    const std::optional<std::uint32_t> code = DialChosenEntry(result, options.automatic);
    if (!code) {
        return result;
    }
    if (s_.dialup.IsConnected()) {
        state_.currentIp = LookUpNewAddress(result);
        SetStatus(0, "当前状态：拔号完毕");
        SetStatus(1, "当前IP：" + state_.currentIp);
        Balloon("拔号完毕，当前IP为\"" + state_.currentIp + "\"", IconKind::Info);
        result.ipAfter = state_.currentIp;
        result.newAddress = !result.ipAfter.empty() && result.ipAfter != result.ipBefore;
        Tell(LineEventKind::Connected, result);
    } else {
        // On failure the balloon comes first, unlike on success.
        Fail(result, "拔号失败！", *code);
        SetStatus(0, "当前状态：拔号失败");
        Tell(LineEventKind::Failed, result);
    }
    return result;
}

CommandResult Assistant::HangUp() {
    CommandScope scope(commandsStarted_, commandDepth_);
    if (!s_.dialup.IsConnected()) {
        return Refusal("当前无拔号连接，无需断线！");
    }
    CommandResult result;
    state_.previousIp = PublicIpLookup();  // while the line is still up
    result.ipBefore = state_.previousIp;
    SetStatus(2, "之前IP：" + state_.previousIp);
    if (!HangUpLine(result)) {
        return result;
    }
    SetStatus(0, "当前状态：已断开网络连接");
    Balloon("已断开网络连接", IconKind::Info);
    Tell(LineEventKind::Disconnected, result);
    return result;
}

// A repeated IP starts the whole redial over: while 选择框_IP重复 is ticked (read afresh after
// every comparison: the user may clear it during the pause), or until the address is new.
// That can go on without bound, so it is a loop rather than the command calling itself.
CommandResult Assistant::Redial(const RedialOptions& options) {
    CommandScope scope(commandsStarted_, commandDepth_);
    const bool untilNew = options.repeat == RedialOptions::Repeat::UntilNewAddress;
    int repeats = 0;  // rounds redialled away from: each next pause may be longer
    CommandResult result;
    // Without a line to look up, the address before is the last one known.
    result.ipBefore = state_.currentIp;
    if (s_.fleet != nullptr && !TakeRotationSlot(options.automatic, result)) {
        return result;
    }
    const SlotScope slot(s_.fleet);
    for (int round = 1;; ++round) {
        SetStatus(0, "当前状态：正在重拔");
        Balloon("正在重拔....", IconKind::Info);
        if (s_.dialup.IsConnected()) {
            state_.previousIp = PublicIpLookup();
            if (round == 1) {
                result.ipBefore = state_.previousIp;
            }
            if (!HangUpLine(result)) {
                return result;
            }
            Tell(LineEventKind::Disconnected, result);
            const int lineActionsBefore = lineActions_;
            DelayWithEvents(static_cast<int>(RedialPauseMs(fleet_, repeats)));
            if (!MayStillDial(lineActionsBefore, result)) {
                return result;
            }
        }
        const std::optional<std::uint32_t> code = DialChosenEntry(result, options.automatic);
        if (!code) {
            return result;
        }

        if (!s_.dialup.IsConnected()) {
            Fail(result, "重拔失败！", *code);
            SetStatus(0, "当前状态：重拔失败");
            Tell(LineEventKind::Failed, result);
            return result;
        }
        state_.currentIp = LookUpNewAddress(result);
        SetStatus(1, "当前IP：" + state_.currentIp);
        SetStatus(2, "之前IP：" + state_.previousIp);
        result.ipAfter = state_.currentIp;
        // An address another node of the fleet had lately is no new one either.
        const bool seenByFleet = s_.fleet != nullptr && !state_.currentIp.empty() &&
                                 s_.fleet->SeenLately(state_.currentIp);
        result.newAddress =
            !result.ipAfter.empty() && result.ipAfter != result.ipBefore && !seenByFleet;
        const bool sameIp = state_.previousIp == state_.currentIp;
        // Decided before telling: the pool publishes only the line the command keeps.
        const bool repeatAgain = !untilNew && (sameIp || seenByFleet) &&
                                 s_.units.ReadInt(Unit::选择框_IP重复, prop::kChecked) != 0;
        const bool notNewYet = untilNew && !result.newAddress;
        Tell(LineEventKind::Connected, result, !repeatAgain && !notNewYet);
        if (repeatAgain) {
            Balloon("IP重复，继续进行重拔", IconKind::Warning);
            ++repeats;
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
                ++repeats;
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
