#pragma once
// A command a controller left in the node's Redis list: one JSON object per element,
// {"id":"...","command":"redial","until_new":true,"tries":5,"not_after":1800000000}, read by
// the same rules as the command line's and the HTTP control's commands.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "control/protocol.h"

namespace qv {

inline constexpr std::size_t kMaxChannelElementBytes = 4096;

// 1-64 of A-Z a-z 0-9 _ . : -: the ids of commands and of the answers kept for them.
bool ValidCommandId(std::string_view id);

struct ChannelCommand {
    std::string id;
    ScriptCommand command;
    std::optional<std::int64_t> notAfter;  // Unix seconds by Redis's clock
};

struct ChannelElement {
    std::optional<ChannelCommand> command;  // none: refused
    std::string id;         // when it could be read, so that a refusal can be answered
    std::string error;      // why it was refused
    bool tooLarge = false;  // over 4 KB: dropped unanswered
};

// id: 1-64 of A-Z a-z 0-9 _ . : -; command: status, dial, hangup, redial; until_new (redial
// only) a boolean; tries 1-100 with until_new; not_after an integer. Anything else, a field
// of the wrong type or a repeated one, is refused.
ChannelElement ReadChannelElement(std::string_view element);

}  // namespace qv
