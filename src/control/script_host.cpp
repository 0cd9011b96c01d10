#include "control/script_host.h"

#include <string>

namespace qv {

std::intptr_t ScriptHost::Raise(Handler handler, std::intptr_t a, std::intptr_t b) {
    // A click during a scripted redial's pause is a person's: its refusal shows a box.
    ScriptedRun* scripted = assistant_.SetScriptedRun(nullptr);
    queue_.EnterHandler();
    const std::intptr_t result = assistant_.Raise(handler, a, b);
    queue_.LeaveHandler();
    assistant_.SetScriptedRun(scripted);
    return result;
}

void ScriptHost::RunNext() {
    std::optional<ScriptJob> job = queue_.BeginNext();
    if (!job) {
        return;
    }
    ScriptOutcome outcome = Run(job->command);
    queue_.LeaveHandler();
    outcome.busy = queue_.Busy();
    if (job->done) {
        job->done(outcome);
    }
}

Text ScriptHost::ChosenEntry() {
    return s_.dialup.EntryName(s_.units.ReadInt(Unit::组合框_宽带连接, prop::kSelection));
}

// Redials, with the box's repeat switched off, until the address differs from the one
// the line had before: looked up by the first redial while the old line is still up, or
// the last one known when the line was down.
bool ScriptHost::RedialUntilNew(int tries, ScriptedRun& run) {
    const bool wasUp = s_.dialup.IsConnected();
    Text before = state_.currentIp;
    run.redialOnRepeat = false;
    for (int attempt = 0; attempt < tries; ++attempt) {
        assistant_.RedialCommand();
        if (attempt == 0 && wasUp) {
            before = state_.previousIp;
        }
        if (!s_.dialup.IsConnected()) {
            return false;
        }
        if (!state_.currentIp.empty() && state_.currentIp != before) {
            return true;
        }
    }
    return false;
}

ScriptOutcome ScriptHost::Run(const ScriptCommand& command) {
    const std::uint32_t start = s_.pump.TickCount();
    dials_.Reset();
    ScriptedRun run;
    ScriptedRun* outer = assistant_.SetScriptedRun(&run);
    bool gotNewAddress = false;
    switch (command.verb) {
        case ScriptVerb::Status:
            break;
        case ScriptVerb::Dial:
            assistant_.DialCommand();
            break;
        case ScriptVerb::HangUp:
            assistant_.HangUpCommand();
            break;
        case ScriptVerb::Redial:
            if (command.untilNew) {
                gotNewAddress = RedialUntilNew(command.tries, run);
            } else {
                assistant_.RedialCommand();
            }
            break;
    }
    assistant_.SetScriptedRun(outer);

    ScriptOutcome outcome;
    outcome.command = command.verb;
    outcome.connected = s_.dialup.IsConnected();
    outcome.ip = state_.currentIp;
    outcome.previousIp = state_.previousIp;
    outcome.entry = ChosenEntry();
    outcome.tries = dials_.Dials();
    outcome.rasError = outcome.tries > 0 ? s_.dialup.LastDialError() : 0;
    if (!run.refusal.empty()) {
        outcome.error = run.refusal;
    } else if (command.verb == ScriptVerb::Dial && !outcome.connected) {
        outcome.error = "拔号失败！";
    } else if (command.verb == ScriptVerb::HangUp && outcome.connected) {
        outcome.error = "断线后仍有拔号连接";
    } else if (command.verb == ScriptVerb::Redial && !outcome.connected) {
        outcome.error = "重拔失败！";
    } else if (command.untilNew && command.verb == ScriptVerb::Redial && !gotNewAddress) {
        outcome.error = "重拔" + std::to_string(outcome.tries) + "次后IP仍未改变";
    }
    outcome.ok = outcome.error.empty();
    outcome.seconds = (s_.pump.TickCount() - start) / 1000.0;
    board_.Publish(outcome);
    return outcome;
}

}  // namespace qv
