#include "control/channel_command.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <vector>

namespace qv {
namespace {

ChannelElement Refused(std::string id, std::string error) {
    ChannelElement element;
    element.id = std::move(id);
    element.error = std::move(error);
    return element;
}

}  // namespace

bool ValidCommandId(std::string_view id) {
    return !id.empty() && id.size() <= 64 && std::all_of(id.begin(), id.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
               c == '_' || c == '.' || c == ':' || c == '-';
    });
}

ChannelElement ReadChannelElement(std::string_view text) {
    if (text.size() > kMaxChannelElementBytes) {
        ChannelElement element;
        element.tooLarge = true;
        element.error = "element over 4 KB";
        return element;
    }
    // Duplicate keys: nlohmann keeps the last; a parse callback sees each one.
    bool repeated = false;
    const auto json = nlohmann::json::parse(
        text.begin(), text.end(),
        [&repeated, seen = std::vector<std::string>()](
            int depth, nlohmann::json::parse_event_t event, nlohmann::json& parsed) mutable {
            if (depth == 1 && event == nlohmann::json::parse_event_t::key) {
                const std::string key = parsed.get<std::string>();
                repeated = repeated || std::find(seen.begin(), seen.end(), key) != seen.end();
                seen.push_back(key);
            }
            return true;
        },
        false);
    if (!json.is_object()) {
        return Refused("", "not a JSON object");
    }
    std::string id;
    if (const auto it = json.find("id");
        it != json.end() && it->is_string() && ValidCommandId(it->get_ref<const std::string&>())) {
        id = it->get<std::string>();
    } else {
        return Refused("", "id missing or not 1-64 of A-Z a-z 0-9 _ . : -");
    }
    if (repeated) {
        return Refused(id, "a field given twice");
    }
    ChannelCommand channel;
    channel.id = id;
    const auto command = json.find("command");
    const std::string name =
        command != json.end() && command->is_string() ? command->get<std::string>() : "";
    const std::optional<ScriptVerb> verb = name == "status"   ? std::optional(ScriptVerb::Status)
                                           : name == "dial"   ? std::optional(ScriptVerb::Dial)
                                           : name == "hangup" ? std::optional(ScriptVerb::HangUp)
                                           : name == "redial" ? std::optional(ScriptVerb::Redial)
                                                              : std::nullopt;
    if (!verb) {
        return Refused(id, "command must be status, dial, hangup or redial");
    }
    channel.command.verb = *verb;
    bool triesGiven = false;
    for (const auto& [key, value] : json.items()) {
        if (key == "id" || key == "command") {
            continue;
        }
        if (key == "until_new" && value.is_boolean() && *verb == ScriptVerb::Redial) {
            channel.command.untilNew = value.get<bool>();
        } else if (key == "tries" && value.is_number_integer() && value.get<std::int64_t>() >= 1 &&
                   value.get<std::int64_t>() <= kMaxUntilNewTries) {
            channel.command.tries = value.get<int>();
            triesGiven = true;
        } else if (key == "not_after" && value.is_number_integer()) {
            channel.notAfter = value.get<std::int64_t>();
        } else {
            return Refused(id, "field " + key + " is unknown or out of range");
        }
    }
    if (triesGiven && !channel.command.untilNew) {
        return Refused(id, "tries needs until_new");
    }
    ChannelElement element;
    element.id = id;
    element.command = std::move(channel);
    return element;
}

}  // namespace qv
