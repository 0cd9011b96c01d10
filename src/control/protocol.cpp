#include "control/protocol.h"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>

#include "app/keep_line.h"
#include "base/number_text.h"
#include "base/text.h"
#include "base/time_text.h"

namespace qv {

namespace {

// "/Dial", "--dial" and "-dial" all give "dial"; anything else is not an option.
std::optional<std::string> OptionName(const std::string& argument) {
    std::size_t skip = 0;
    if (argument.rfind("--", 0) == 0) {
        skip = 2;
    } else if (!argument.empty() && (argument[0] == '/' || argument[0] == '-')) {
        skip = 1;
    }
    if (skip == 0 || argument.size() == skip) {
        return std::nullopt;
    }
    return AsciiLower(std::string_view(argument).substr(skip));
}

}  // namespace

std::optional<ScriptVerb> VerbNamed(std::string_view name) {
    for (ScriptVerb verb : {ScriptVerb::Status, ScriptVerb::Dial, ScriptVerb::HangUp,
                            ScriptVerb::Redial, ScriptVerb::History}) {
        if (name == VerbName(verb)) {
            return verb;
        }
    }
    return std::nullopt;
}

std::optional<int> CommandNumber(std::string_view text, int low, int high) {
    if (text.empty() || !std::all_of(text.begin(), text.end(), IsAsciiDigit)) {
        return std::nullopt;
    }
    const auto value = BoundedDecimal(text, low, high);
    return value ? std::optional<int>(static_cast<int>(*value)) : std::nullopt;
}

std::string_view VerbName(ScriptVerb verb) {
    switch (verb) {
        case ScriptVerb::Status:
            return "status";
        case ScriptVerb::Dial:
            return "dial";
        case ScriptVerb::HangUp:
            return "hangup";
        case ScriptVerb::Redial:
            return "redial";
        case ScriptVerb::History:
            return "history";
    }
    return "status";
}

ParsedArgs ParseClientArgs(const std::vector<std::string>& arguments) {
    ClientArgs parsed;
    std::optional<ScriptVerb> verb;
    bool triesGiven = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const auto name = OptionName(arguments[i]);
        if (!name) {
            return {std::nullopt, "unexpected argument: " + arguments[i]};
        }
        if (const auto named = VerbNamed(*name)) {
            if (verb) {
                return {std::nullopt, "only one command at a time"};
            }
            verb = named;
        } else if (*name == "until-new") {
            parsed.command.untilNew = true;
        } else if (*name == "tries" || *name == "timeout") {
            const bool tries = *name == "tries";
            const auto value = i + 1 < arguments.size()
                                   ? CommandNumber(arguments[i + 1], 1,
                                                   tries ? kMaxUntilNewTries : kMaxTimeoutSeconds)
                                   : std::nullopt;
            if (!value) {
                return {std::nullopt,
                        "/" + *name + " needs a number from 1 to " +
                            std::to_string(tries ? kMaxUntilNewTries : kMaxTimeoutSeconds)};
            }
            ++i;
            (tries ? parsed.command.tries : parsed.timeoutSeconds) = *value;
            triesGiven = triesGiven || tries;
        } else {
            return {std::nullopt, "unknown option: " + arguments[i]};
        }
    }
    if (!verb) {
        return {std::nullopt, "no command given"};
    }
    if ((parsed.command.untilNew || triesGiven) && *verb != ScriptVerb::Redial) {
        return {std::nullopt, "/until-new and /tries go with /redial only"};
    }
    if (triesGiven && !parsed.command.untilNew) {
        return {std::nullopt, "/tries needs /until-new"};
    }
    parsed.command.verb = *verb;
    return {parsed, ""};
}

std::vector<std::string> CommandArguments(const ScriptCommand& command) {
    std::vector<std::string> arguments = {"/" + std::string(VerbName(command.verb))};
    if (command.verb == ScriptVerb::Redial && command.untilNew) {
        arguments.insert(arguments.end(), {"/until-new", "/tries", std::to_string(command.tries)});
    }
    return arguments;
}

const char* const kClientUsage =
    "usage: Quorvane.exe /status | /history | /dial | /hangup | /redial [/until-new [/tries N]]\n"
    "                    [/timeout S]\n"
    "       Quorvane.exe /autostart on | off | status\n"
    "  Runs the command in the running Quorvane (starting one when none runs) and prints\n"
    "  one JSON line. /until-new redials until the public IP differs from the one before,\n"
    "  at most N tries (default 5, up to 100). /timeout: seconds to wait (default 300).\n"
    "  /history: the last 50 addresses the line had, newest first.\n"
    "  Exit code: 0 done, 1 failed or refused, 2 usage error, 3 no Quorvane reached.\n"
    "  /autostart: start this Quorvane.exe when you log on to Windows (on), no more (off),\n"
    "  or tell which (status).\n";

std::optional<AutostartRequest> ParseAutostartArgs(const std::vector<std::string>& arguments) {
    if (arguments.empty() || OptionName(arguments[0]) != "autostart") {
        return std::nullopt;
    }
    const std::string action = arguments.size() == 2 ? AsciiLower(arguments[1]) : "";
    if (action == "on" || action == "off" || action == "status") {
        return AutostartRequest{action == "on"    ? AutostartAction::On
                                : action == "off" ? AutostartAction::Off
                                                  : AutostartAction::Status,
                                ""};
    }
    return AutostartRequest{std::nullopt, "/autostart needs one of on, off, status"};
}

std::string AutostartJson(bool enabled, const std::string& pathUtf8, const std::string& error) {
    nlohmann::ordered_json json;
    json["ok"] = error.empty();
    if (error.empty()) {
        json["autostart"] = enabled;
        json["path"] = pathUtf8;
    } else {
        json["error"] = error;
    }
    return json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

LaunchKind ClassifyArguments(const std::vector<std::string>& arguments) {
    const bool anySwitch =
        std::any_of(arguments.begin(), arguments.end(), [](const std::string& argument) {
            return !argument.empty() && (argument[0] == '/' || argument[0] == '-');
        });
    return anySwitch ? LaunchKind::Call : LaunchKind::Window;
}

bool CommandLineHasArguments(std::wstring_view commandLine) {
    std::size_t end = 0;
    if (commandLine.starts_with(L'"')) {
        const std::size_t closing = commandLine.find(L'"', 1);
        end = closing == std::wstring_view::npos ? commandLine.size() : closing + 1;
    } else {
        end = std::min(commandLine.find_first_of(L" \t"), commandLine.size());
    }
    return commandLine.find_first_not_of(L" \t", end) != std::wstring_view::npos;
}

std::string ResultJson(const ScriptOutcome& outcome, const TextCodec& codec) {
    // Field order is the documented one, so people reading the line find it stable.
    nlohmann::ordered_json json;
    json["ok"] = outcome.ok;
    json["command"] = std::string(VerbName(outcome.command));
    json["state"] = outcome.connected ? "connected" : "disconnected";
    json["ip"] = codec.GbkToUtf8(outcome.ip);
    json["previous_ip"] = codec.GbkToUtf8(outcome.previousIp);
    json["entry"] = codec.GbkToUtf8(outcome.entry);
    json["busy"] = outcome.busy;
    json["error"] = codec.GbkToUtf8(outcome.error);
    json["ras_error"] = outcome.rasError;
    json["tries"] = outcome.tries;
    json["seconds"] = std::round(outcome.seconds * 1000.0) / 1000.0;
    if (outcome.command == ScriptVerb::Status || outcome.command == ScriptVerb::History) {
        json["watch"] = outcome.watch;
        json["last_error"] = outcome.lastError;
        json["error_class"] = std::string(DialErrorClassName(ClassifyDialError(outcome.lastError)));
        json["retry_in"] = outcome.retryIn;
        json["pool"] = outcome.pool;
        json["pool_value"] = outcome.poolValue;
        json["waiting"] = outcome.waiting;
    }
    if (outcome.command == ScriptVerb::History) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const HistoryEntry& entry : outcome.history) {
            nlohmann::ordered_json item;
            item["ip"] = codec.GbkToUtf8(entry.ip);
            item["came"] = UtcTimeText(entry.came);
            item["went"] = entry.went == 0 ? nlohmann::ordered_json()
                                           : nlohmann::ordered_json(UtcTimeText(entry.went));
            list.push_back(std::move(item));
        }
        json["history"] = std::move(list);
    }
    // A codec that let invalid UTF-8 through must not make dump() throw.
    return json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace qv
