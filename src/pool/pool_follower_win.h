#pragma once
// The proxy pool as it follows the line in the program: [代理池] read once, the publisher and
// its listener, the fleet's records, the check through the node's own proxy, a balloon when
// Redis fails and when it answers again (and when a check fails and passes), the address of a
// line that is up at start-up, the words a status shows for the pool, and (with 命令=1) the
// channel a controller's commands come through.
#include <memory>
#include <string>

#include "app/line_listener_list.h"
#include "app/ports.h"
#include "base/inbox.h"
#include "pool/command_channel.h"
#include "pool/pool_fleet.h"
#include "pool/pool_listener.h"
#include "pool/pool_publisher.h"
#include "pool/pool_settings.h"

namespace qv {

struct PoolStatusWords {
    std::string state;  // "ok", "unreachable" or "unverified"
    std::string value;  // what Redis last confirmed
};

class PoolFollower {
  public:
    PoolFollower(Services& services, Inbox& inbox) : s_(services), inbox_(inbox) {}
    PoolFollower(const PoolFollower&) = delete;
    PoolFollower& operator=(const PoolFollower&) = delete;

    // After the window's start-up. `startUpAddress` is what the start-up's lookup showed: a
    // line that is up already gets it published at once, without a lookup of its own. An
    // invalid section says why in a balloon and starts nothing. `echoPage` is what the check
    // through the proxy fetches.
    // With 命令=1, `onCommand` gets each element the channel takes, on its thread.
    void Start(LineListenerList& listeners, const Text& startUpAddress, const Text& echoPage,
               CommandChannel::OnElement onCommand);
    bool On() const { return publisher_ != nullptr; }
    // Only while On: the records the assistant's redials consult.
    qv::Fleet& Fleet() { return *fleet_; }
    // Only while On.
    PoolStatusWords Words() const;
    // From any thread: a command's answer, for the controller that left it. Without the
    // channel, nothing.
    void AnswerCommand(const std::string& id, std::string json);
    // At the program's end: the field stays while the line does; the key expires on its own.
    void Stop();

  private:
    void ShowHealth(const PoolHealth& health);

    Services& s_;
    Inbox& inbox_;
    PoolSettings settings_;
    std::unique_ptr<PoolPublisher> publisher_;
    std::unique_ptr<PoolFleet> fleet_;
    std::unique_ptr<PoolListener> listener_;
    std::unique_ptr<CommandChannel> channel_;
    // A line that came back may have left the channel's connections dead.
    LineUpListener channelFollower_{[this] { channel_->Reconnect(); }};
};

}  // namespace qv
