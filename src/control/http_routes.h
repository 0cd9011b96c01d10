#pragma once
// The HTTP control's routes and its token check: which command a request asks for, or which
// error status answers it. Only requests that pass here reach the commands.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "control/channel_command.h"
#include "control/protocol.h"

namespace qv {

// A command (answered when it has run, or at once with an id when `async`), the metrics
// text, or a command's result asked for by its id.
enum class RouteKind : std::uint8_t { Command, Metrics, Result };

struct RouteDecision {
    int status = 200;  // 200 when the request may go on
    std::optional<ScriptCommand> command;
    RouteKind kind = RouteKind::Command;
    bool async = false;
    std::string resultId;
};

// {"error":"..."}: what a refused request is told.
std::string ErrorBody(int status);

// `target` is the request line's target ("/redial?until_new=1&tries=3").
RouteDecision RouteRequest(std::string_view method, std::string_view target,
                           std::string_view authorization, std::string_view token);

// Equal texts, in a time that depends only on their lengths, never on where they differ.
bool SameSecret(std::string_view given, std::string_view expected);

// True when `authorization` is "Bearer <token>" for exactly this token (the scheme's case
// does not matter, surrounding blanks are skipped).
bool BearerMatches(std::string_view authorization, std::string_view token);

}  // namespace qv
