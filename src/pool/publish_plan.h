#pragma once
// What the pool publisher sends and when, against a clock handed in (steady milliseconds):
// only the latest wanted state is ever sent, the key's expiry is renewed while published, and
// a failure is retried with a doubling back-off. With the check on, an address is published
// only once a check through the node's own proxy has passed, and each renewal checks again.
// No I/O here; the worker carries it out.
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "pool/resp.h"

namespace qv {

struct PoolTarget {
    enum class Kind { Unknown, Published, Withdrawn };
    Kind kind = Kind::Unknown;
    std::string value;    // Published: "ip:port"
    std::string address;  // Published: the line's address, which a check must see
    bool operator==(const PoolTarget&) const = default;
};

struct PlanConfig {
    std::string key;
    std::string node;
    int ttlSeconds = 300;
    bool check = false;
};

struct PlanStep {
    enum class Action { Wait, Connect, Send, Check };
    Action action = Action::Wait;
    std::int64_t wakeAt = 0;              // Wait: until then, or until something changes
    std::vector<resp::Command> commands;  // Send
    PoolTarget target;  // Send: what Redis holds once every reply is good; Check: what to check
    std::uint64_t generation = 0;  // Send: the wanted state's number
};

class PublishPlan {
  public:
    static constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();
    static constexpr std::int64_t kFirstBackoffMs = 1000;
    static constexpr std::int64_t kMaxBackoffMs = 30000;
    static constexpr std::int64_t kCheckRetryMs = 10000;
    // Failed renewal checks in a row that take the address out until a check passes again.
    static constexpr int kFailedRenewalsToWithdraw = 3;

    explicit PublishPlan(PlanConfig config);

    // A new wanted state, or one asked for again before Redis confirmed it, is tried at once,
    // back-off or not: it may be the last chance (a withdraw before hanging up), and the
    // user's own actions are few.
    void WantPublished(const std::string& value, std::int64_t now, const std::string& address = "");
    void WantWithdrawn(std::int64_t now);

    PlanStep Next(std::int64_t now) const;

    void Connected();
    void Confirmed(const PlanStep& step, std::int64_t now);
    // The connection is gone and what Redis holds is unknown. Retries back off doubling, up to
    // kMaxBackoffMs or a renew period, whichever is shorter. `retryCanMend` false (a refused
    // password) stops the retries until the wanted state changes.
    void Failed(std::int64_t now, bool retryCanMend);
    // A connection that had served before broke on first use after a rest (a server timeout,
    // a NAT box, a restarted Redis): reconnect at once, no back-off, and send the whole state,
    // since a restarted Redis has lost it.
    void Dropped();
    // The outcome of a Check step. A failed first check is tried again after kCheckRetryMs; a
    // failed renewal check still renews, unless it is the kFailedRenewalsToWithdraw-th in a
    // row: then the address is withdrawn and checked again like a new one.
    void Checked(const PlanStep& step, bool passed, std::int64_t now);
    // The wanted address waits for a check that has failed (nothing of it is published).
    bool Unverified() const;

    const PoolTarget& Wanted() const { return wanted_; }
    const PoolTarget& Held() const { return held_; }
    std::uint64_t Generation() const { return generation_; }
    std::uint64_t ConfirmedGeneration() const { return confirmedGeneration_; }
    bool IsConnected() const { return connected_; }

  private:
    void Want(PoolTarget target, std::int64_t now);
    std::string ExpiryKey() const;
    resp::Command SetWithExpiry() const;

    PlanConfig config_;
    PoolTarget wanted_;
    PoolTarget held_;
    std::uint64_t generation_ = 0;
    std::uint64_t confirmedGeneration_ = 0;
    bool connected_ = false;
    std::int64_t retryAt_ = 0;
    std::int64_t renewAt_ = kNever;
    std::int64_t backoffMs_ = kFirstBackoffMs;
    std::string verified_;  // the value whose check last passed
    bool checkFailed_ = false;
    std::int64_t checkAt_ = 0;
    bool renewalChecked_ = false;
    int failedRenewals_ = 0;
};

}  // namespace qv
