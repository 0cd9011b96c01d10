#pragma once
// Which command an HTTP request asks for, or which error status answers it. Only requests
// that pass here reach the commands.
#include <optional>
#include <string_view>

#include "control/protocol.h"

namespace qv {

struct RouteDecision {
    int status = 200;  // 200 when `command` is set
    std::optional<ScriptCommand> command;
};

// `target` is the request line's target ("/redial?until_new=1&tries=3").
RouteDecision RouteRequest(std::string_view method, std::string_view target,
                           std::string_view authorization, std::string_view token);

}  // namespace qv
