// The real Quorvane.exe publishing its address to a real redis-server while the simulated ISP
// dials, redials and drops: what Redis holds after each, the withdraw before the hang-up, a
// refused password, Redis gone during a redial and back, and a controller's commands through
// Redis.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/support/balloon_log.h"
#include "e2e/support/e2e_driver.h"
#include "e2e/support/pool_servers.h"
#include "e2e/support/script_driver.h"
#include "pool/resp.h"
#include "sim_control.h"
#include "wine/support/wine_support.h"

namespace qv::e2e {
namespace {

namespace sim = qv::sim;
using testing::WaitUntil;

TEST_F(ProxyPoolE2eTest, DialPublishesRedialWithdrawsBeforeTheHangUpAndADropWithdraws) {
    Redis redis;
    ASSERT_TRUE(redis.Start());
    const Monitor monitor(redis.Port());
    StartPooled(redis);

    EXPECT_EQ(Call("/dial").exitCode, 0u);
    EXPECT_TRUE(Holds(redis, "203.0.113.11:3128"));
    const int ttl = std::stoi(redis.Ask({"TTL", std::string("adsl:") + kNode}));
    EXPECT_GT(ttl, 0);
    EXPECT_LE(ttl, 10);
    ClientRun status = Call("/status");
    EXPECT_EQ(JsonField(status.output, "pool"), "ok") << status.output;
    EXPECT_EQ(JsonField(status.output, "pool_value"), "203.0.113.11:3128");

    // Redis holds back every write for 600 ms: the hang-up must wait for the withdraw.
    const int before = static_cast<int>(monitor.Lines().size());
    sim::ClearCalls();
    ASSERT_EQ(redis.Ask({"CLIENT", "PAUSE", "600", "WRITE"}), "OK");
    const DWORD paused = GetTickCount();
    EXPECT_EQ(Call("/redial").exitCode, 0u);
    const auto hangUps = sim::Calls(sim::RasFunction::HangUp);
    ASSERT_FALSE(hangUps.empty());
    EXPECT_GE(hangUps.front().tick - paused, 550u) << "hung up before Redis confirmed";
    EXPECT_TRUE(Holds(redis, "203.0.113.12:3128"));
    const int hdel = monitor.Find("\"HDEL\" \"adsl\" \"e2e-node\"", before);
    const int del = monitor.Find("\"DEL\" \"adsl:e2e-node\"", before);
    const int hset = monitor.Find("\"HSET\" \"adsl\" \"e2e-node\" \"203.0.113.12:3128\"", before);
    EXPECT_GE(hdel, 0);
    EXPECT_GE(del, 0);
    EXPECT_GT(hset, std::max(hdel, del)) << "withdrawn, then published";

    const auto connections = sim::Connections();
    ASSERT_FALSE(connections.empty());
    ASSERT_TRUE(sim::DropConnection(connections.back().handle));
    EXPECT_TRUE(Holds(redis, "(nil)", 10000)) << "a drop withdraws both";
    status = Call("/status");
    EXPECT_EQ(JsonField(status.output, "pool_value"), "") << status.output;
}

// A fleet node's redial with the box ticked: the withdraw, 2 s of drain, then the hang-up; the
// repeated address is never published. (The pause that doubles after a repeat is the fleet
// rules' native case.)
TEST_F(ProxyPoolE2eTest, ARedialDrainsAndPublishesOnlyTheAddressItKeeps) {
    Redis redis;
    ASSERT_TRUE(redis.Start());
    const Monitor monitor(redis.Port());
    StartPooled(redis, "", "摘除等待=2\r\n");
    ASSERT_EQ(Call("/dial").exitCode, 0u);
    ASSERT_TRUE(Holds(redis, "203.0.113.11:3128"));
    ASSERT_TRUE(app->SetChecked(Unit::选择框_IP重复, true));
    sim::KeepAddressOnNextDial();
    sim::ClearCalls();
    const int before = static_cast<int>(monitor.Lines().size());
    const DWORD asked = GetTickCount();
    EXPECT_EQ(Call("/redial").exitCode, 0u);
    EXPECT_TRUE(Holds(redis, "203.0.113.12:3128"));
    EXPECT_LT(monitor.Find("\"HSET\" \"adsl\" \"e2e-node\" \"203.0.113.11", before), 0)
        << "the repeated address was published";
    const auto hangUps = sim::Calls(sim::RasFunction::HangUp);
    ASSERT_FALSE(hangUps.empty());
    EXPECT_GE(hangUps.front().tick - asked, 1900u) << "the drain";
    EXPECT_EQ(sim::CallCount(sim::RasFunction::Dial), 2u) << "redialled past the repeat";
}

TEST_F(ProxyPoolE2eTest, AGoodPasswordPublishesAWrongOneShowsOneBalloonAndDialsGoOn) {
    struct Row {
        const char* password;
        const char* pool;
        const char* held;
        int balloons;
    };
    for (const Row& row :
         {Row{"s3cret", "ok", "203.0.113.11:3128", 0}, Row{"wrong", "unreachable", "(nil)", 1}}) {
        SCOPED_TRACE(row.password);
        sim::ClearConnections();
        Redis redis("s3cret");
        ASSERT_TRUE(redis.Start());
        const BalloonLog balloons;
        StartPooled(redis, row.password);
        EXPECT_EQ(Call("/dial").exitCode, 0u);
        EXPECT_TRUE(
            WaitUntil([&] { return JsonField(Call("/status").output, "pool") == row.pool; }, 5000));
        EXPECT_TRUE(Holds(redis, row.held));
        const ClientRun redial = Call("/redial");
        EXPECT_EQ(redial.exitCode, 0u) << "dials go on whatever Redis says";
        EXPECT_NE(JsonField(redial.output, "ip"), std::nullopt) << redial.output;
        testing::PumpFor(1500);  // a second balloon would come with the retry after the redial
        EXPECT_EQ(balloons.Count("代理池连接失败"), row.balloons);
        app.reset();
    }
}

TEST_F(ProxyPoolE2eTest, RedisGoneDuringARedialCostsAtMostASecondAndTheAddressComesBack) {
    Redis redis;
    ASSERT_TRUE(redis.Start());
    StartPooled(redis);
    EXPECT_EQ(Call("/dial").exitCode, 0u);
    ASSERT_TRUE(Holds(redis, "203.0.113.11:3128"));
    DWORD start = GetTickCount();
    EXPECT_EQ(Call("/redial").exitCode, 0u);
    const DWORD usual = GetTickCount() - start;
    ASSERT_TRUE(Holds(redis, "203.0.113.12:3128"));

    redis.Stop();
    start = GetTickCount();
    EXPECT_EQ(Call("/redial").exitCode, 0u);
    EXPECT_LE(GetTickCount() - start, usual + 1500) << "usually " << usual << " ms";
    EXPECT_TRUE(
        WaitUntil([&] { return JsonField(Call("/status").output, "pool") == "unreachable"; }));
    // Back: the address is sent again. (How the retries back off, and that a node that dies
    // leaves a key that expires, are the publish plan's and the publisher's native cases.)
    ASSERT_TRUE(redis.Start());
    EXPECT_TRUE(Holds(redis, "203.0.113.13:3128", 6000));
}

// A controller's commands, left in the node's list while its connection is cut or the queue
// is full, each answered once in its reply key. (The element's rules are native cases.)
TEST_F(ProxyPoolE2eTest, ControllersCommandsThroughRedisRunOnceAndAreAnswered) {
    Redis redis;
    ASSERT_TRUE(redis.Start());
    StartPooled(redis, "", "命令=1\r\n");
    const std::string list = std::string("adsl:cmd:") + kNode;
    const auto reply = [&](const std::string& id) {
        return redis.Ask({"BLPOP", "adsl:reply:" + id, "20"}, 25000);
    };
    redis.Ask({"RPUSH", list, R"({"id":"d1","command":"dial"})"});
    const std::string dialed = reply("d1");
    EXPECT_EQ(JsonField(dialed, "ok"), "true") << dialed;
    EXPECT_EQ(JsonField(dialed, "id"), "d1");

    redis.Stop();
    ASSERT_TRUE(redis.Start());
    redis.Ask({"RPUSH", list, R"({"id":"r1","command":"redial"})",
               R"({"id":"old","command":"redial","not_after":1})"});
    const std::string redialed = reply("r1");
    EXPECT_EQ(JsonField(redialed, "ip"), "203.0.113.12") << redialed;
    const std::string expired = reply("old");
    EXPECT_EQ(JsonField(expired, "ok"), "false") << expired;
    EXPECT_EQ(JsonField(Call("/status").output, "ip"), "203.0.113.12") << "ran once, not late";

    resp::Command burst = {"RPUSH", list, R"({"id":"r2","command":"redial"})"};
    for (int i = 0; i < 17; ++i) {
        burst.push_back(R"({"id":"h)" + std::to_string(i) + R"(","command":"hangup"})");
    }
    redis.Ask(burst);
    int refused = 0;
    for (int i = 0; i < 17; ++i) {
        const std::string answer = reply("h" + std::to_string(i));
        ASSERT_NE(answer, "(nil)") << "h" << i << " unanswered";
        refused += JsonField(answer, "busy") == "true" && JsonField(answer, "ok") == "false";
    }
    EXPECT_GE(refused, 1) << "a full queue is answered";
    EXPECT_EQ(JsonField(reply("r2"), "ok"), "true");
}

}  // namespace
}  // namespace qv::e2e
