#include "control/http_routes.h"

#include <algorithm>
#include <array>

#include "base/text.h"

namespace qv {
namespace {

struct Endpoint {
    std::string_view path;
    std::string_view method;
    ScriptVerb verb;
    RouteKind kind = RouteKind::Command;
};

constexpr Endpoint kEndpoints[] = {
    {"/status", "GET", ScriptVerb::Status},
    {"/history", "GET", ScriptVerb::History},
    {"/dial", "POST", ScriptVerb::Dial},
    {"/hangup", "POST", ScriptVerb::HangUp},
    {"/redial", "POST", ScriptVerb::Redial},
    {"/metrics", "GET", ScriptVerb::Status, RouteKind::Metrics},
    {"/result", "GET", ScriptVerb::Status, RouteKind::Result},
};

// A line command's query: "async=0|1", and for a redial "until_new=1&tries=N", in any order;
// anything else, or a repeated key, is malformed.
bool ReadCommandQuery(std::string_view query, ScriptCommand& command, bool& async) {
    const bool redial = command.verb == ScriptVerb::Redial;
    bool seenAsync = false;
    bool seenUntilNew = false;
    bool seenTries = false;
    while (!query.empty()) {
        const std::size_t end = std::min(query.find('&'), query.size());
        const std::string_view pair = query.substr(0, end);
        query.remove_prefix(std::min(end + 1, query.size()));
        const std::size_t equals = pair.find('=');
        if (equals == std::string_view::npos) {
            return false;
        }
        const std::string_view key = pair.substr(0, equals);
        const std::string_view value = pair.substr(equals + 1);
        const bool flag = value == "0" || value == "1";
        if (key == "async" && !seenAsync && flag) {
            async = value == "1";
            seenAsync = true;
        } else if (key == "until_new" && redial && !seenUntilNew && flag) {
            command.untilNew = value == "1";
            seenUntilNew = true;
        } else if (key == "tries" && redial && !seenTries) {
            const auto tries = CommandNumber(value, 1, kMaxUntilNewTries);
            if (!tries) {
                return false;
            }
            command.tries = *tries;
            seenTries = true;
        } else {
            return false;
        }
    }
    return !seenTries || command.untilNew;
}

RouteDecision Refused(int status) {
    RouteDecision decision;
    decision.status = status;
    return decision;
}

}  // namespace

RouteDecision RouteRequest(std::string_view method, std::string_view target,
                           std::string_view authorization, std::string_view token) {
    if (!BearerMatches(authorization, token)) {
        return Refused(401);
    }
    const std::size_t mark = target.find('?');
    const std::string_view path = target.substr(0, mark);
    const std::string_view query =
        mark == std::string_view::npos ? std::string_view() : target.substr(mark + 1);
    const auto endpoint = std::find_if(std::begin(kEndpoints), std::end(kEndpoints),
                                       [&](const Endpoint& e) { return e.path == path; });
    if (endpoint == std::end(kEndpoints)) {
        return Refused(404);
    }
    if (method != endpoint->method) {
        return Refused(405);
    }
    RouteDecision decision;
    decision.kind = endpoint->kind;
    if (endpoint->kind == RouteKind::Result) {
        constexpr std::string_view kId = "id=";
        if (!query.starts_with(kId) || !ValidCommandId(query.substr(kId.size()))) {
            return Refused(400);
        }
        decision.resultId = std::string(query.substr(kId.size()));
        return decision;
    }
    ScriptCommand command;
    command.verb = endpoint->verb;
    if (endpoint->method == "POST") {
        if (!ReadCommandQuery(query, command, decision.async)) {
            return Refused(400);
        }
    } else if (!query.empty()) {
        return Refused(400);
    }
    decision.command = command;
    return decision;
}

bool SameSecret(std::string_view given, std::string_view expected) {
    // Every byte of the given text is compared, against the expected one cycled when the
    // lengths differ, so the loop's length tells nothing about the expected text.
    unsigned difference = given.size() == expected.size() ? 0u : 1u;
    for (std::size_t i = 0; i < given.size(); ++i) {
        const unsigned char want =
            expected.empty() ? 0 : static_cast<unsigned char>(expected[i % expected.size()]);
        difference |= static_cast<unsigned char>(given[i]) ^ want;
    }
    return difference == 0 && !expected.empty();
}

bool BearerMatches(std::string_view authorization, std::string_view token) {
    constexpr std::string_view kScheme = "bearer";
    const std::string_view value = TrimSpaces(authorization);
    if (value.size() <= kScheme.size() ||
        (value[kScheme.size()] != ' ' && value[kScheme.size()] != '\t')) {
        return false;
    }
    for (std::size_t i = 0; i < kScheme.size(); ++i) {
        if (AsciiLower(value[i]) != kScheme[i]) {
            return false;
        }
    }
    return SameSecret(TrimSpaces(value.substr(kScheme.size())), token);
}

std::string ErrorBody(int status) {
    const char* reason = status == 400   ? "malformed request"
                         : status == 401 ? "missing or wrong token"
                         : status == 404 ? "unknown path or id"
                         : status == 405 ? "method not allowed"
                         : status == 413 ? "body too large"
                         : status == 431 ? "request head too large"
                         : status == 503 ? "too many connections"
                                         : "error";
    return std::string("{\"error\":\"") + reason + "\"}";
}

}  // namespace qv
