#include "control/channel_runner.h"

#include <nlohmann/json.hpp>

namespace qv {

std::string WithId(std::string json, const std::string& id) {
    // Ids are 1-64 of A-Z a-z 0-9 _ . : -: nothing in them needs escaping.
    if (!json.empty() && json.back() == '}') {
        json.pop_back();
        json += ",\"id\":\"" + id + "\"}";
    }
    return json;
}

void ChannelRunner::Refuse(const std::string& id, const std::string& why) {
    record_(id.empty() ? why : id + ": " + why);
    if (id.empty() || !answer_) {
        return;  // nowhere to answer
    }
    nlohmann::ordered_json json;
    json["ok"] = false;
    json["error"] = why;
    json["id"] = id;
    answer_(id, json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace));
}

void ChannelRunner::Take(std::string_view element, std::optional<std::int64_t> redisNow) {
    ChannelElement read = ReadChannelElement(element);
    if (read.tooLarge) {
        record_("dropped: " + read.error);
        return;
    }
    if (!read.command) {
        return Refuse(read.id, read.error);
    }
    const ChannelCommand& command = *read.command;
    if (command.notAfter && !redisNow) {
        return Refuse(command.id, "not run: Redis's time could not be read for not_after");
    }
    if (command.notAfter && *redisNow > *command.notAfter) {
        return Refuse(command.id, "expired: not_after " + std::to_string(*command.notAfter) +
                                      " has passed (Redis time " + std::to_string(*redisNow) + ")");
    }
    if (!answer_) {
        return;
    }
    if (const auto status = StatusAtOnce(command.command, queue_, board_)) {
        return answer_(command.id, WithId(ResultJson(*status, codec_), command.id));
    }
    ScriptJob job;
    job.command = command.command;
    job.source = CommandSource::Redis;
    job.done = [answer = answer_, codec = &codec_, id = command.id](const ScriptOutcome& outcome) {
        answer(id, WithId(ResultJson(outcome, *codec), id));
    };
    if (!queue_.Submit(std::move(job))) {
        record_(command.id + ": refused, " + std::to_string(kMaxWaitingCommands) +
                " commands wait already");
        answer_(command.id,
                WithId(ResultJson(QueueFullOutcome(command.command), codec_), command.id));
    }
}

}  // namespace qv
