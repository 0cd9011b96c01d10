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
};

constexpr Endpoint kEndpoints[] = {
    {"/status", "GET", ScriptVerb::Status},  {"/history", "GET", ScriptVerb::History},
    {"/dial", "POST", ScriptVerb::Dial},     {"/hangup", "POST", ScriptVerb::HangUp},
    {"/redial", "POST", ScriptVerb::Redial},
};

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

}  // namespace qv
