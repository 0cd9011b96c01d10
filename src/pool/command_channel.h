#pragma once
// Commands a controller leaves for this node in Redis: a connection of the channel's own
// waits on <key>:cmd:<node> with BLPOP, each element taken (and so gone from the list) before
// it is handed on with Redis's clock; a second one sends the answers to <key>:reply:<id>,
// kept there for five minutes. Both reconnect by themselves, so what waited while Redis or
// the line was away is taken, in order, once it is back. The publisher's connection is not
// used: a withdraw before a hang-up never waits behind a command's answer.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "pool/pool_settings.h"

namespace qv {

inline constexpr int kChannelWaitSeconds = 25;        // one BLPOP; then it waits again
inline constexpr int kReplyKeepSeconds = 300;         // EXPIRE on <key>:reply:<id>
inline constexpr std::size_t kMaxUnsentAnswers = 64;  // beyond, the oldest is dropped

class CommandChannel {
  public:
    // On the channel's thread: an element as taken, and Redis's TIME (seconds since 1970)
    // read right after it; nullopt when that could not be read.
    using OnElement = std::function<void(std::string element, std::optional<std::int64_t> now)>;
    // On either of the channel's threads, once per failure in a row: what went wrong.
    using OnProblem = std::function<void(const std::string& detail)>;

    // Starts both threads at once; settings must be On.
    CommandChannel(const PoolSettings& settings, OnElement onElement, OnProblem onProblem);
    // As Stop.
    ~CommandChannel();
    CommandChannel(const CommandChannel&) = delete;
    CommandChannel& operator=(const CommandChannel&) = delete;

    // From any thread; sent in the order given, again after a failure until Redis takes it.
    void Answer(std::string id, std::string json);
    // From any thread: the line came back (a redial, a drop): connections made over the old
    // one may be dead without knowing it, so both are made again now.
    void Reconnect();
    // Ends both threads; a call to Redis in progress ends at once. Unsent answers are lost;
    // later answers are ignored.
    void Stop();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace qv
