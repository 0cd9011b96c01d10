#include "control/http_routes.h"

#include <algorithm>
#include <cctype>

#include "control/token_check.h"

namespace qv {
namespace {

struct Endpoint {
    std::string_view path;
    std::string_view method;
    ScriptVerb verb;
};

constexpr Endpoint kEndpoints[] = {
    {"/status", "GET", ScriptVerb::Status},
    {"/dial", "POST", ScriptVerb::Dial},
    {"/hangup", "POST", ScriptVerb::HangUp},
    {"/redial", "POST", ScriptVerb::Redial},
};

std::optional<int> SmallNumber(std::string_view text, int high) {
    if (text.empty() || text.size() > 4 ||
        !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); })) {
        return std::nullopt;
    }
    int value = 0;
    for (char c : text) {
        value = value * 10 + (c - '0');
    }
    return value >= 1 && value <= high ? std::optional<int>(value) : std::nullopt;
}

// "until_new=1&tries=N" in any order; anything else, or a repeated key, is malformed.
bool ReadRedialQuery(std::string_view query, ScriptCommand& command) {
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
        if (key == "until_new" && !seenUntilNew && (value == "0" || value == "1")) {
            command.untilNew = value == "1";
            seenUntilNew = true;
        } else if (key == "tries" && !seenTries) {
            const auto tries = SmallNumber(value, kMaxUntilNewTries);
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

}  // namespace

RouteDecision RouteRequest(std::string_view method, std::string_view target,
                           std::string_view authorization, std::string_view token) {
    if (!BearerMatches(authorization, token)) {
        return {401, std::nullopt};
    }
    const std::size_t mark = target.find('?');
    const std::string_view path = target.substr(0, mark);
    const std::string_view query =
        mark == std::string_view::npos ? std::string_view() : target.substr(mark + 1);
    const auto endpoint = std::find_if(std::begin(kEndpoints), std::end(kEndpoints),
                                       [&](const Endpoint& e) { return e.path == path; });
    if (endpoint == std::end(kEndpoints)) {
        return {404, std::nullopt};
    }
    if (method != endpoint->method) {
        return {405, std::nullopt};
    }
    ScriptCommand command;
    command.verb = endpoint->verb;
    if (endpoint->verb == ScriptVerb::Redial) {
        if (!ReadRedialQuery(query, command)) {
            return {400, std::nullopt};
        }
    } else if (!query.empty()) {
        return {400, std::nullopt};
    }
    return {200, command};
}

}  // namespace qv
