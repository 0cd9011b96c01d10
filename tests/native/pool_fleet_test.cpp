// The fleet's rotation slots and address memory against a real redis-server: the Lua scripts
// as Redis runs them, timed by Redis's clock.
#include <gtest/gtest.h>

#include "native/redis_server.h"
#include "pool/pool_fleet.h"

namespace qv {
namespace {

using testing::RedisServer;
using Slot = Fleet::Slot;

// A node of the fleet: its settings, publisher and fleet records.
struct Node {
    Node(std::uint16_t port, const char* name, int rotating, int seenMinutes, int prefix = 32)
        : settings(testing::Settings(port)) {
        settings.node = name;
        settings.rotating = rotating;
        settings.seenMinutes = seenMinutes;
        settings.seenPrefix = prefix;
    }
    PoolSettings settings;
    PoolPublisher publisher{settings, {}};
    PoolFleet fleet{settings, publisher};
};

std::int64_t RedisMs(const RedisServer& redis) {
    return std::stoll(
        redis.Query("EVAL \"local t = redis.call('TIME') return t[1] * 1000 + "
                    "math.floor(t[2] / 1000)\" 0"));
}

TEST(PoolFleet, AtMostKNodesHoldASlotAndALeaseEndsOnRedisClock) {
    RedisServer redis;
    ASSERT_TRUE(redis.Start());
    Node a(redis.port(), "pc1", 1, 0), b(redis.port(), "pc2", 1, 0);
    EXPECT_EQ(a.fleet.TakeRotationSlot(), Slot::Taken);
    EXPECT_EQ(a.fleet.TakeRotationSlot(), Slot::Taken) << "a holder renews its own lease";
    EXPECT_EQ(b.fleet.TakeRotationSlot(), Slot::Full);
    const std::int64_t leaseEnd = std::stoll(redis.Query("ZSCORE adsl:rotating pc1"));
    EXPECT_NEAR(static_cast<double>(leaseEnd - RedisMs(redis)), PoolFleet::kLeaseMs, 2000);

    a.fleet.ReleaseRotationSlot();
    EXPECT_TRUE(testing::WaitFor([&] { return redis.Query("ZCARD adsl:rotating") == "0"; }));
    EXPECT_EQ(b.fleet.TakeRotationSlot(), Slot::Taken);
    // A node that died mid-rotation: its lease ended, its slot is free.
    redis.Query("ZADD adsl:rotating " + std::to_string(RedisMs(redis) - 1) + " pc2");
    EXPECT_EQ(a.fleet.TakeRotationSlot(), Slot::Taken);

    Node unlimited(redis.port(), "pc3", 0, 0);
    EXPECT_EQ(unlimited.fleet.TakeRotationSlot(), Slot::Taken);
    EXPECT_EQ(redis.Query("ZSCORE adsl:rotating pc3"), "(nil)") << "no limit, no lease";
}

TEST(PoolFleet, AnAddressOrItsNetworkKeptByAnyNodeCountsAsSeenWithinTheWindow) {
    RedisServer redis;
    ASSERT_TRUE(redis.Start());
    Node a(redis.port(), "pc1", 0, 10), b(redis.port(), "pc2", 0, 10);
    a.fleet.Remember("203.0.113.5");
    ASSERT_TRUE(testing::WaitFor([&] { return b.fleet.SeenLately("203.0.113.5"); }));
    EXPECT_FALSE(b.fleet.SeenLately("203.0.113.6"));
    const int ttl = std::stoi(redis.Query("TTL adsl:seen"));
    EXPECT_GT(ttl, 590) << "a fleet that stops leaves no set behind";

    // Older than the window: not seen, and trimmed by the next write.
    const std::int64_t now = RedisMs(redis) / 1000;
    redis.Query("ZADD adsl:seen " + std::to_string(now - 601) + " 198.51.100.1");
    EXPECT_FALSE(b.fleet.SeenLately("198.51.100.1"));
    b.fleet.Remember("198.51.100.2");
    EXPECT_TRUE(testing::WaitFor([&] { return redis.Query("ZCARD adsl:seen") == "2"; }));

    Node wide(redis.port(), "pc3", 0, 10, 24);
    wide.fleet.Remember("192.0.2.77");
    wide.fleet.Remember("2001:db8:1:2:3:4:5:6");
    ASSERT_TRUE(testing::WaitFor([&] { return wide.fleet.SeenLately("192.0.2.1"); }));
    EXPECT_NE(redis.Query("ZSCORE adsl:seen 192.0.2.0/24"), "(nil)");
    EXPECT_TRUE(wide.fleet.SeenLately("2001:db8:1:2::9"));
    EXPECT_FALSE(wide.fleet.SeenLately("2001:db8:1:3::9"));

    Node forgetful(redis.port(), "pc4", 0, 0);
    EXPECT_FALSE(forgetful.fleet.SeenLately("203.0.113.5")) << "no window, no memory";
}

TEST(PoolFleet, ARedisThatIsAwayCostsAtMostASecondAndCountsAsNoAnswer) {
    Node node(testing::FreePort(), "pc1", 1, 10);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(node.fleet.TakeRotationSlot(), Slot::NoAnswer);
    EXPECT_FALSE(node.fleet.SeenLately("203.0.113.5"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2500));
}

}  // namespace
}  // namespace qv
