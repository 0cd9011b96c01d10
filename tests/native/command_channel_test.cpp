// The command channel against a real redis-server: taken in order with Redis's clock,
// answered into the reply key, and taken again after Redis or the line was away.
#include "pool/command_channel.h"

#include <gtest/gtest.h>

#include <ctime>
#include <mutex>
#include <vector>

#include "native/redis_server.h"

namespace qv {
namespace {

using testing::RedisServer;
using testing::WaitFor;

class Taken {
  public:
    CommandChannel::OnElement Callback() {
        return [this](std::string element, std::optional<std::int64_t> now) {
            std::lock_guard lock(mutex_);
            elements_.push_back(element);
            times_.push_back(now.value_or(-1));
        };
    }
    std::vector<std::string> Elements() const {
        std::lock_guard lock(mutex_);
        return elements_;
    }
    std::vector<std::int64_t> Times() const {
        std::lock_guard lock(mutex_);
        return times_;
    }

  private:
    mutable std::mutex mutex_;
    std::vector<std::string> elements_;
    std::vector<std::int64_t> times_;
};

long long Connections(const RedisServer& redis) {
    const std::string info = redis.Query("INFO stats");
    const std::size_t at = info.find("total_connections_received:");
    return at == std::string::npos ? -1 : std::stoll(info.substr(at + 27));
}

TEST(CommandChannel, TakesInOrderWithRedisTimeAndAnswersIntoTheReplyKey) {
    RedisServer redis;
    ASSERT_TRUE(redis.Start());
    Taken taken;
    CommandChannel channel(testing::Settings(redis.port()), taken.Callback(), nullptr);
    redis.Query("RPUSH adsl:cmd:pc1 first second");
    ASSERT_TRUE(WaitFor([&] { return taken.Elements().size() == 2; }));
    EXPECT_EQ(taken.Elements(), (std::vector<std::string>{"first", "second"}));
    EXPECT_LE(std::abs(taken.Times()[0] - std::time(nullptr)), 2) << "Redis's TIME";
    EXPECT_EQ(redis.Query("LLEN adsl:cmd:pc1"), "0") << "taken before it is handed on";

    channel.Answer("a-1", R"({"ok":true,"id":"a-1"})");
    ASSERT_TRUE(WaitFor([&] { return redis.Query("LLEN adsl:reply:a-1") == "1"; }));
    EXPECT_EQ(redis.Query("LPOP adsl:reply:a-1"), R"({"ok":true,"id":"a-1"})");
    channel.Answer("a-2", "{}");
    ASSERT_TRUE(WaitFor([&] { return redis.Query("LLEN adsl:reply:a-2") == "1"; }));
    const int ttl = std::stoi(redis.Query("TTL adsl:reply:a-2"));
    EXPECT_GT(ttl, 290);
    EXPECT_LE(ttl, kReplyKeepSeconds);
}

TEST(CommandChannel, WhatWaitedWhileRedisWasAwayIsTakenOnceBackAndAnswersAreKept) {
    RedisServer redis;
    ASSERT_TRUE(redis.Start());
    Taken taken;
    std::mutex mutex;
    std::vector<std::string> problems;
    CommandChannel channel(testing::Settings(redis.port()), taken.Callback(),
                           [&](const std::string& detail) {
                               std::lock_guard lock(mutex);
                               problems.push_back(detail);
                           });
    ASSERT_TRUE(WaitFor([&] { return Connections(redis) >= 1; }));
    redis.Stop();
    channel.Answer("kept", "{\"ok\":true}");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_TRUE(redis.Start());
    redis.Query("RPUSH adsl:cmd:pc1 one two");
    ASSERT_TRUE(
        WaitFor([&] { return taken.Elements().size() == 2; }, std::chrono::milliseconds(12000)));
    EXPECT_EQ(taken.Elements(), (std::vector<std::string>{"one", "two"}));
    EXPECT_TRUE(WaitFor([&] { return redis.Query("LLEN adsl:reply:kept") == "1"; },
                        std::chrono::milliseconds(12000)));
    std::lock_guard lock(mutex);
    EXPECT_GE(problems.size(), 1u);
    EXPECT_LE(problems.size(), 2u) << "one report per failure in a row, each connection";
}

TEST(CommandChannel, AReconnectMakesTheWaitingConnectionAgainAtOnce) {
    RedisServer redis;
    ASSERT_TRUE(redis.Start());
    Taken taken;
    CommandChannel channel(testing::Settings(redis.port()), taken.Callback(), nullptr);
    ASSERT_TRUE(WaitFor([&] {
        return redis.Query("CLIENT LIST TYPE normal").find("cmd=blpop") != std::string::npos;
    }));
    const long long before = Connections(redis);
    channel.Reconnect();
    ASSERT_TRUE(
        WaitFor([&] { return Connections(redis) > before; }, std::chrono::milliseconds(1000)));
    redis.Query("RPUSH adsl:cmd:pc1 after");
    EXPECT_TRUE(WaitFor([&] { return taken.Elements().size() == 1; }));
}

}  // namespace
}  // namespace qv
