#pragma once
// Runs what a controller left in the node's Redis list: each element read by the channel's
// rules, checked against Redis's clock, then handed to the one command queue as the command
// line and the HTTP control hand theirs; its answer is the command line's JSON line with the
// element's id. Called on the channel's thread, like the HTTP control's on its own.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "control/channel_command.h"
#include "control/host.h"
#include "control/protocol.h"

namespace qv {

class ChannelRunner {
  public:
    // `answer` takes an id and the answer's JSON: from the channel's thread for a refusal and
    // an answer at once, from the window's thread for a command that ran. `record` gets what
    // was refused or dropped, for the failure record. Both must not throw.
    using Answer = std::function<void(const std::string& id, std::string json)>;
    using Record = std::function<void(const std::string& what)>;

    ChannelRunner(CommandQueue& queue, const StatusBoard& board, const TextCodec& codec,
                  Record record)
        : queue_(queue), board_(board), codec_(codec), record_(std::move(record)) {}

    // Set before the channel starts.
    void SetAnswer(Answer answer) { answer_ = std::move(answer); }

    // One element as taken; `redisNow` Redis's clock right after (nullopt: unknown, and an
    // element with not_after is then refused, never run late).
    void Take(std::string_view element, std::optional<std::int64_t> redisNow);

  private:
    void Refuse(const std::string& id, const std::string& why);

    CommandQueue& queue_;
    const StatusBoard& board_;
    const TextCodec& codec_;
    Record record_;
    Answer answer_;
};

// The command line's JSON line with "id" added at its end.
std::string WithId(std::string json, const std::string& id);

}  // namespace qv
