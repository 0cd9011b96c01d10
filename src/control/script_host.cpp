#include "control/script_host.h"

#include <exception>

#include "base/handle.h"

namespace qv {

std::intptr_t ScriptHost::Raise(Handler handler, std::intptr_t a, std::intptr_t b) {
    queue_.EnterHandler();
    ScopeGuard leave([this] { queue_.LeaveHandler(); });
    return assistant_.Raise(handler, a, b);
}

void ScriptHost::LineDown() {
    queue_.EnterHandler();
    ScopeGuard leave([this] { queue_.LeaveHandler(); });
    assistant_.LineDown();
}

void ScriptHost::StartUnattended(const UnattendedSettings& settings) {
    queue_.EnterHandler();
    ScopeGuard leave([this] { queue_.LeaveHandler(); });
    assistant_.StartUnattended(settings);
}

void ScriptHost::RunNext() {
    std::optional<ScriptJob> job = queue_.BeginNext();
    if (!job) {
        return;
    }
    ScriptOutcome outcome;
    {
        // Left however the command ends: a queue marked busy for ever would hold every later
        // command back and make every status say busy.
        ScopeGuard leave([this] { queue_.LeaveHandler(); });
        try {
            outcome = Run(job->command, job->source);
        } catch (const std::exception&) {
            outcome.command = job->command.verb;
            outcome.error = "命令未能完成（程序内部错误）";
        }
    }
    outcome.busy = queue_.Busy();
    if (job->done) {
        job->done(outcome);
    }
}

CommandResult ScriptHost::Execute(const ScriptCommand& command, CommandSource source) {
    switch (command.verb) {
        case ScriptVerb::Status:
        case ScriptVerb::History:  // answered from the board, never queued
            break;
        case ScriptVerb::Dial:
            return assistant_.DialCommand({.automatic = true, .source = source});
        case ScriptVerb::HangUp:
            return assistant_.HangUpCommand({.source = source});
        case ScriptVerb::Redial: {
            RedialOptions options;
            options.automatic = true;
            options.source = source;
            if (command.untilNew) {
                options.repeat = RedialOptions::Repeat::UntilNewAddress;
                options.maxTries = command.tries;
            }
            return assistant_.RedialCommand(options);
        }
    }
    return {};
}

ScriptOutcome ScriptHost::Run(const ScriptCommand& command, CommandSource source) {
    const std::uint32_t start = s_.pump.TickCount();
    const CommandResult result = Execute(command, source);

    ScriptOutcome outcome;
    outcome.command = command.verb;
    outcome.connected = s_.dialup.IsConnected();
    // The line's own address: none once it is down, the start-up's while it stays up.
    outcome.ip = outcome.connected ? assistant_.LineAddress() : Text();
    outcome.previousIp = state_.previousIp;
    outcome.entry = assistant_.ChosenEntryName();
    outcome.tries = result.dials;
    outcome.rasError = result.rasError;
    outcome.lastError = assistant_.LineStatus().lastError;
    if (command.verb == ScriptVerb::Status) {
        outcome.tries = assistant_.LineStatus().tries;
    }
    if (result.status != CommandStatus::Done) {
        outcome.error = result.message;
    } else if (command.verb == ScriptVerb::HangUp && outcome.connected) {
        outcome.error = "断线后仍有拔号连接";
    } else if (result.answerNotAnAddress) {
        outcome.error = "IP查询页面的回答不是IP地址";
    }
    outcome.ok = outcome.error.empty();
    outcome.seconds = (s_.pump.TickCount() - start) / 1000.0;
    board_.Publish(outcome);
    board_.AddLiveFacts(outcome);
    return outcome;
}

}  // namespace qv
