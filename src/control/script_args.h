#pragma once
// The command line of a script's call: `/status`, `/dial`, `/hangup`, `/redial`, with
// `/until-new`, `/tries N` (redial) and `/timeout S`; "--" and "-" forms are taken too.
#include <optional>
#include <string>
#include <vector>

#include "control/script_command.h"

namespace qv {

inline constexpr int kDefaultTimeoutSeconds = 300;
inline constexpr int kMaxTimeoutSeconds = 86400;

struct ClientArgs {
    ScriptCommand command;
    int timeoutSeconds = kDefaultTimeoutSeconds;
};

struct ParsedArgs {
    std::optional<ClientArgs> args;
    std::string error;  // why the arguments are not a call, when `args` is empty
};

ParsedArgs ParseClientArgs(const std::vector<std::string>& arguments);

// The arguments that hand `command` to the running program (no /timeout: the caller's own).
std::vector<std::string> CommandArguments(const ScriptCommand& command);

extern const char* const kClientUsage;

}  // namespace qv
