// A fleet's node under Wine against a real redis-server: the check through its own proxy (a
// real tinyproxy) holds the publish back, another node's rotation lease holds a script's redial
// but not a click, and an address the fleet had lately is redialled away from.
#include <optional>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "e2e/support/balloon_log.h"
#include "e2e/support/pool_servers.h"
#include "sim_control.h"

namespace qv::e2e {
namespace {

using testing::WaitUntil;

class FleetE2eTest : public ProxyPoolE2eTest {
  protected:
    std::optional<std::string> Status(const char* field) {
        return JsonField(Call("/status").output, field);
    }
    // Redis's own clock decides when a lease ends.
    std::string AddLease(const char* node) {
        return redis.Ask({"EVAL",
                          "return redis.call('ZADD', KEYS[1], "
                          "redis.call('TIME')[1] * 1000 + 120000, ARGV[1])",
                          "1", "adsl:rotating", node});
    }
    Redis redis;
};

TEST_F(FleetE2eTest, AnotherNodesLeaseHoldsAScriptsRedialWhileAClickGoesAhead) {
    ASSERT_TRUE(redis.Start());
    StartPooled(redis, "", "同时重拔=1\r\n");
    ASSERT_EQ(Call("/dial").exitCode, 0u);
    ASSERT_TRUE(Holds(redis, "203.0.113.11:3128"));
    ASSERT_EQ(AddLease("other"), "1");

    // The caller's own thread asserts nothing: the assertions here are not thread-safe.
    std::optional<ClientRun> scripted;
    std::thread caller([&] { scripted = RunClient(folder.Path(), "/redial", 60000); });
    EXPECT_TRUE(WaitUntil([&] { return Status("waiting") == "slot"; }, 10000));
    EXPECT_TRUE(Holds(redis, "203.0.113.11:3128")) << "withdrawn while it waits";
    redis.Ask({"ZREM", "adsl:rotating", "other"});
    caller.join();
    ASSERT_TRUE(scripted);
    EXPECT_EQ(scripted->exitCode, 0u) << scripted->output;
    EXPECT_TRUE(Holds(redis, "203.0.113.12:3128"));
    EXPECT_TRUE(WaitUntil([&] {
        return redis.Ask({"ZCARD", "adsl:rotating"}) == "0";
    })) << "its own slot given back after the publish";

    ASSERT_EQ(AddLease("other"), "1");
    ASSERT_TRUE(app->Click(Unit::按钮_重拔));
    EXPECT_TRUE(Holds(redis, "203.0.113.13:3128", 15000));
}

TEST_F(FleetE2eTest, AnAddressAnotherNodeHadLatelyIsNotNewForUntilNew) {
    ASSERT_TRUE(redis.Start());
    StartPooled(redis, "", "不重复分钟=10\r\n");
    ASSERT_EQ(Call("/dial").exitCode, 0u);
    ASSERT_EQ(
        redis.Ask({"EVAL", "return redis.call('ZADD', KEYS[1], redis.call('TIME')[1], ARGV[1])",
                   "1", "adsl:seen", "203.0.113.12"}),
        "1");
    sim::ClearCalls();
    const ClientRun run = Call("/redial /until-new");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_EQ(JsonField(run.output, "ip"), "203.0.113.13");
    EXPECT_EQ(sim::CallCount(sim::RasFunction::Dial), 2u);
    EXPECT_TRUE(Holds(redis, "203.0.113.13:3128"));
    // Remembered after the publish, when the publisher is next at rest.
    const auto remembered = [&] {
        return redis.Ask({"ZSCORE", "adsl:seen", "203.0.113.13"}) != "(nil)";
    };
    EXPECT_TRUE(WaitUntil(remembered)) << "not remembered";
}

TEST_F(FleetE2eTest, NothingIsPublishedUntilTheAddressIsSeenThroughTheNodesOwnProxy) {
    if (!Tinyproxy::Installed()) {
        GTEST_SKIP() << "tinyproxy is not installed";
    }
    ASSERT_TRUE(redis.Start());
    const std::uint16_t proxyPort = FreePort();
    const BalloonLog balloons;
    StartPooled(redis, "", "检查=1\r\n", proxyPort);
    ASSERT_EQ(Call("/dial").exitCode, 0u);
    EXPECT_TRUE(WaitUntil([&] { return Status("pool") == "unverified"; }, 10000));
    EXPECT_EQ(redis.Ask({"HGET", "adsl", kNode}), "(nil)");

    Tinyproxy proxy(proxyPort);
    ASSERT_TRUE(proxy.Start());
    EXPECT_TRUE(Holds(redis, "203.0.113.11:" + std::to_string(proxyPort), 15000));
    EXPECT_EQ(Status("pool"), "ok");
    EXPECT_EQ(balloons.Count("代理检查未通过"), 1);
    EXPECT_EQ(balloons.Count("代理检查已通过"), 1);
}

}  // namespace
}  // namespace qv::e2e
