// The publisher against a real redis-server (and stand-ins for a hanging or babbling one).
#include <gtest/gtest.h>

#include <mutex>

#include "native/redis_server.h"
#include "pool/pool_publisher.h"

namespace qv {
namespace {

using testing::RedisServer;
using testing::Settings;
using testing::StandInServer;
using testing::WaitFor;
using Clock = std::chrono::steady_clock;

// The health callbacks, as "ok" / "unreachable: <detail>", from the worker thread.
class HealthLog {
  public:
    std::function<void(PoolHealth)> Callback() {
        return [this](PoolHealth health) {
            std::lock_guard lock(mutex_);
            entries_.push_back(
                health.state == PoolHealth::State::Ok ? "ok" : "unreachable: " + health.detail);
        };
    }
    std::vector<std::string> Entries() const {
        std::lock_guard lock(mutex_);
        return entries_;
    }

  private:
    mutable std::mutex mutex_;
    std::vector<std::string> entries_;
};

// A running Redis and a publisher whose first address it has taken.
struct Published {
    Published() {
        EXPECT_TRUE(started);
        publisher.Publish("1.1.1.1:8080");
        EXPECT_TRUE(WaitFor([&] { return publisher.Snapshot().published == "1.1.1.1:8080"; }));
    }
    RedisServer redis;
    bool started = redis.Start();
    HealthLog health;
    PoolPublisher publisher{Settings(redis.port()), health.Callback()};
};

TEST(PoolPublisher, PublishesRenamesAndWithdrawsWithAndWithoutAuth) {
    const struct {
        const char* serverPassword;
        const char* user;
        const char* host;
    } rows[] = {
        {"", "", "127.0.0.1"}, {"s3cret", "", "localhost"}, {"s3cret", "default", "127.0.0.1"}};
    for (const auto& row : rows) {
        RedisServer redis(row.serverPassword);
        ASSERT_TRUE(redis.Start());
        HealthLog health;
        PoolPublisher publisher(Settings(redis.port(), row.serverPassword, row.user, row.host),
                                health.Callback());
        EXPECT_EQ(publisher.Snapshot().state, PoolSnapshot::State::Ok);

        publisher.Publish("1.2.3.4:8080");
        publisher.Publish("5.6.7.8:8080");
        ASSERT_TRUE(WaitFor([&] { return redis.Query("HGET adsl pc1") == "5.6.7.8:8080"; }))
            << redis.Query("HGET adsl pc1");
        ASSERT_TRUE(WaitFor([&] { return redis.Query("GET adsl:pc1") == "5.6.7.8:8080"; }));
        const int ttl = std::stoi(redis.Query("TTL adsl:pc1"));
        EXPECT_GT(ttl, 290);
        EXPECT_LE(ttl, 300);
        ASSERT_TRUE(WaitFor([&] { return publisher.Snapshot().published == "5.6.7.8:8080"; }));

        EXPECT_TRUE(publisher.WithdrawBeforeHangUp());
        EXPECT_EQ(redis.Query("HEXISTS adsl pc1"), "0");
        EXPECT_EQ(redis.Query("EXISTS adsl:pc1"), "0");
        EXPECT_EQ(publisher.Snapshot().published, "");

        publisher.Publish("9.9.9.9:8080");
        ASSERT_TRUE(WaitFor([&] { return redis.Query("HGET adsl pc1") == "9.9.9.9:8080"; }));
        publisher.Withdraw();
        EXPECT_TRUE(WaitFor([&] {
            return redis.Query("HEXISTS adsl pc1") == "0" && redis.Query("EXISTS adsl:pc1") == "0";
        }));
        EXPECT_EQ(health.Entries(), std::vector<std::string>{}) << row.serverPassword;
    }
}

TEST(PoolPublisher, AWrongOrMissingPasswordIsReportedOnceAndNeverCrashes) {
    const struct {
        const char* serverPassword;
        std::vector<std::string> options;
        const char* password;
        const char* health;
        bool tryAgain;
    } rows[] = {{"s3cret", {}, "wrong", "unreachable: AUTH: refused (WRONGPASS)", true},
                {"s3cret", {}, "", "unreachable: HSET: NOAUTH", false},
                // A renamed AUTH: Redis's error quotes the password.
                {"",
                 {"--rename-command", "AUTH", ""},
                 "s3cret",
                 "unreachable: AUTH: refused (ERR)",
                 false}};
    for (const auto& row : rows) {
        RedisServer redis(row.serverPassword, row.options);
        ASSERT_TRUE(redis.Start());
        HealthLog health;
        PoolPublisher publisher(Settings(redis.port(), row.password), health.Callback());
        publisher.Publish("1.2.3.4:8080");
        ASSERT_TRUE(WaitFor([&] { return !health.Entries().empty(); }));
        EXPECT_EQ(publisher.Snapshot().state, PoolSnapshot::State::Unreachable);
        // A second refusal in a row is no news.
        if (row.tryAgain) {
            EXPECT_FALSE(publisher.WithdrawBeforeHangUp());
        }
        const std::vector<std::string> entries = health.Entries();
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].rfind(row.health, 0), 0u) << entries[0];
        EXPECT_EQ(entries[0].find("s3cret"), std::string::npos) << entries[0];
        EXPECT_EQ(redis.Query("EXISTS adsl"), "0");
    }
}

TEST(PoolPublisher, SendsTheLatestStateWhenRedisComesBack) {
    Published rig;

    rig.redis.Stop();
    rig.publisher.Publish("2.2.2.2:8080");
    rig.publisher.Publish("3.3.3.3:8080");
    ASSERT_TRUE(WaitFor([&] { return !rig.health.Entries().empty(); }));
    EXPECT_EQ(rig.publisher.Snapshot().state, PoolSnapshot::State::Unreachable);
    ASSERT_TRUE(rig.redis.Start());  // empty: nothing was saved
    ASSERT_TRUE(WaitFor([&] { return rig.redis.Query("HGET adsl pc1") == "3.3.3.3:8080"; },
                        std::chrono::milliseconds(5000)));
    EXPECT_NE(rig.redis.Query("TTL adsl:pc1"), "-2");
    ASSERT_TRUE(WaitFor([&] { return rig.health.Entries().size() == 2; }));
    EXPECT_EQ(rig.health.Entries()[0], "unreachable: connect: connection refused");
    EXPECT_EQ(rig.health.Entries()[1], "ok");
    EXPECT_EQ(rig.publisher.Snapshot().state, PoolSnapshot::State::Ok);

    // At program end the field stays; only the key's expiry removes it.
    rig.publisher.StopLeavingField();
    EXPECT_EQ(rig.redis.Query("HGET adsl pc1"), "3.3.3.3:8080");
    EXPECT_GT(std::stoi(rig.redis.Query("TTL adsl:pc1")), 0);
}

// Redis restarted while the connection rested: the next use finds it dead, which is no
// failure to report; the whole state goes out on a fresh connection.
TEST(PoolPublisher, ARedisRestartedAtRestIsNoAlarm) {
    Published rig;
    rig.redis.Stop();
    ASSERT_TRUE(rig.redis.Start());
    EXPECT_TRUE(rig.publisher.WithdrawBeforeHangUp());
    rig.publisher.Publish("2.2.2.2:8080");
    ASSERT_TRUE(WaitFor([&] { return rig.redis.Query("GET adsl:pc1") == "2.2.2.2:8080"; }));
    EXPECT_EQ(rig.redis.Query("HGET adsl pc1"), "2.2.2.2:8080");
    EXPECT_EQ(rig.health.Entries(), std::vector<std::string>{});
}

TEST(PoolPublisher, AHangingOrBabblingRedisNeverHoldsTheCallerBeyondItsBound) {
    const struct {
        const char* answer;
        const char* health;
    } rows[] = {
        {"", "unreachable: read: timed out"},
        {"HTTP/1.1 400 Bad Request\r\n\r\n", "unreachable: reply: unknown reply type"},
        {"$99999999\r\n", "unreachable: reply: length beyond limit"},
        {"+OK\r\n+OK\r\n", "unreachable: HSET: unexpected reply"},
    };
    for (const auto& row : rows) {
        StandInServer server(row.answer);
        HealthLog health;
        PoolPublisher publisher(Settings(server.port()), health.Callback());
        publisher.Publish("1.2.3.4:8080");
        if (*row.answer == '\0') {
            const auto start = Clock::now();
            EXPECT_FALSE(publisher.WithdrawBeforeHangUp());
            EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1200));
        }
        ASSERT_TRUE(WaitFor([&] { return !health.Entries().empty(); })) << row.answer;
        EXPECT_EQ(health.Entries(), std::vector<std::string>{row.health});
        EXPECT_EQ(publisher.Snapshot().state, PoolSnapshot::State::Unreachable);
        EXPECT_EQ(publisher.Snapshot().published, "");
        // Stopped while the worker waits for an answer that never comes.
        const int reads = server.Reads();
        publisher.Publish("5.6.7.8:8080");
        ASSERT_TRUE(WaitFor([&] { return server.Reads() > reads; }));
        const auto stop = Clock::now();
        publisher.StopLeavingField();
        EXPECT_LT(Clock::now() - stop, std::chrono::milliseconds(300)) << row.answer;
    }
}

// Redis away while a withdraw is due: each attempt's failure ends the wait at once, a withdraw
// asked again is tried again (back-off or not), and so is one left at the end.
TEST(PoolPublisher, AWithdrawRedisMissedIsTriedAgainWhenAskedAndAtTheEnd) {
    for (const bool atTheEnd : {false, true}) {
        SCOPED_TRACE(atTheEnd ? "at the end" : "asked again");
        Published rig;
        rig.redis.Stop();
        for (int i = 0; i < 3; ++i) {  // the back-off grows to 8 s
            const auto start = Clock::now();
            EXPECT_FALSE(rig.publisher.WithdrawBeforeHangUp());
            EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500)) << i;
        }
        // Back, still holding the field (a Redis that keeps its data).
        ASSERT_TRUE(rig.redis.Start());
        rig.redis.Query("HSET adsl pc1 1.1.1.1:8080");
        if (atTheEnd) {
            rig.publisher.StopLeavingField();
        } else {
            EXPECT_TRUE(rig.publisher.WithdrawBeforeHangUp());
        }
        EXPECT_EQ(rig.redis.Query("HEXISTS adsl pc1"), "0");
    }
}

TEST(PoolPublisher, IsInertWhenTheSectionIsOffOrInvalid) {
    PoolSettings settings;
    settings.state = PoolSettings::State::Invalid;
    PoolPublisher publisher(settings, nullptr);
    publisher.Publish("1.2.3.4:8080");
    EXPECT_FALSE(publisher.WithdrawBeforeHangUp());
    EXPECT_EQ(publisher.Snapshot().state, PoolSnapshot::State::Off);
}

}  // namespace
}  // namespace qv
