#include "pool/pool_fleet.h"

namespace qv {

// KEYS[1] the set; ARGV: node, most nodes at once, lease in ms. Leases that ended are dropped
// first; a node that holds one already renews it. 1: taken, 0: full.
const char* const kTakeSlotScript =
    "local t = redis.call('TIME')\n"
    "local now = t[1] * 1000 + math.floor(t[2] / 1000)\n"
    "redis.call('ZREMRANGEBYSCORE', KEYS[1], '-inf', now)\n"
    "if redis.call('ZSCORE', KEYS[1], ARGV[1]) or\n"
    "   redis.call('ZCARD', KEYS[1]) < tonumber(ARGV[2]) then\n"
    "  redis.call('ZADD', KEYS[1], now + tonumber(ARGV[3]), ARGV[1])\n"
    "  redis.call('PEXPIRE', KEYS[1], ARGV[3])\n"
    "  return 1\n"
    "end\n"
    "return 0\n";

// KEYS[1] the set; ARGV: member, window in seconds. 1: some node kept it within the window.
const char* const kSeenScript =
    "local score = redis.call('ZSCORE', KEYS[1], ARGV[1])\n"
    "if score and tonumber(score) > redis.call('TIME')[1] - tonumber(ARGV[2]) then\n"
    "  return 1\n"
    "end\n"
    "return 0\n";

// KEYS[1] the set; ARGV: member, window in seconds. Entries past the window are trimmed, and
// a fleet that stops leaves no set behind.
const char* const kRememberScript =
    "local now = tonumber(redis.call('TIME')[1])\n"
    "redis.call('ZADD', KEYS[1], now, ARGV[1])\n"
    "redis.call('ZREMRANGEBYSCORE', KEYS[1], '-inf', now - tonumber(ARGV[2]))\n"
    "redis.call('EXPIRE', KEYS[1], ARGV[2])\n"
    "return 1\n";

namespace {

// The one integer a script replied; nullopt without an answer or with an error.
std::optional<std::int64_t> IntegerReply(const std::optional<std::vector<resp::Reply>>& replies) {
    if (!replies || replies->size() != 1 || replies->front().type != resp::Reply::Type::Integer) {
        return std::nullopt;
    }
    return replies->front().integer;
}

}  // namespace

Fleet::Slot PoolFleet::TakeRotationSlot() {
    if (settings_.rotating <= 0) {
        return Slot::Taken;
    }
    const auto replies =
        publisher_.Ask({{"EVAL", kTakeSlotScript, "1", RotatingKey(), settings_.node,
                         std::to_string(settings_.rotating), std::to_string(kLeaseMs)}},
                       kAnswerWaitMs);
    const auto taken = IntegerReply(replies);
    return !taken ? Slot::NoAnswer : *taken == 1 ? Slot::Taken : Slot::Full;
}

void PoolFleet::ReleaseRotationSlot() {
    if (settings_.rotating > 0) {
        publisher_.Tell({{"ZREM", RotatingKey(), settings_.node}});
    }
}

bool PoolFleet::SeenLately(const Text& ip) {
    const auto member = SeenMember(settings_, ip);
    if (settings_.seenMinutes <= 0 || !member) {
        return false;
    }
    return IntegerReply(publisher_.Ask(
               {{"EVAL", kSeenScript, "1", SeenKey(), *member, SeenSeconds()}}, kAnswerWaitMs)) ==
           1;
}

void PoolFleet::Remember(const std::string& ip) {
    const auto member = SeenMember(settings_, ip);
    if (settings_.seenMinutes > 0 && member) {
        publisher_.Tell({{"EVAL", kRememberScript, "1", SeenKey(), *member, SeenSeconds()}});
    }
}

}  // namespace qv
