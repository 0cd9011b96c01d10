// The real Quorvane.exe publishing its address to a real redis-server while the simulated ISP
// dials, redials and drops: what Redis holds after each, the withdraw before the hang-up, a
// refused password, Redis gone during a redial and back, and the key expiring after a kill.
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
#include "e2e/support/script_driver.h"
#include "pool/resp.h"
#include "sim_control.h"
#include "wine/support/wine_support.h"

namespace qv::e2e {
namespace {

namespace sim = qv::sim;
using testing::WaitUntil;

constexpr const char* kRedisServer = "/usr/bin/redis-server";
constexpr const char* kNode = "e2e-node";

// The next whole reply on `s`; nullopt on a closed or silent connection.
std::optional<resp::Reply> Read(SOCKET s, resp::ReplyParser& parser) {
    resp::Reply reply;
    for (;;) {
        const auto status = parser.Next(reply);
        if (status == resp::ReplyParser::Status::Complete) {
            return reply;
        }
        char buffer[4096];
        const int got =
            status == resp::ReplyParser::Status::NeedMore ? recv(s, buffer, sizeof buffer, 0) : -1;
        if (got <= 0) {
            return std::nullopt;
        }
        parser.Feed(std::string_view(buffer, static_cast<std::size_t>(got)));
    }
}

// A redis-server of the test's own on a free loopback port. Wine starts the Linux program but
// cannot wait on it: timeout(1) ends it should the test die first, SHUTDOWN stops it.
class Redis {
  public:
    explicit Redis(std::string password = "") : password_(std::move(password)) {}
    ~Redis() { Stop(); }

    static bool Installed() {
        return GetFileAttributesA((std::string("Z:") + kRedisServer).c_str()) !=
               INVALID_FILE_ATTRIBUTES;
    }
    std::uint16_t Port() const { return port_; }

    bool Start() {
        std::string command = std::string("/usr/bin/timeout 280 ") + kRedisServer + " --port " +
                              std::to_string(port_) +
                              " --bind 127.0.0.1 --save \"\" --appendonly no --dir /tmp"
                              " --logfile /dev/null --daemonize no";
        if (!password_.empty()) {
            command += " --requirepass " + password_;
        }
        if (!StartUnixProgram(command)) {
            return false;
        }
        return WaitUntil([this] { return Ask({"PING"}) == "PONG"; }, 10000);
    }

    void Stop() {
        if (Ask({"SHUTDOWN", "NOSAVE"}) == "(no answer)") {
            WaitUntil([this] { return Ask({"PING"}) == "(no answer)"; }, 10000);
        }
    }

    // A reply as text: a string or integer as written, a nil as "(nil)", an error as
    // "-<text>", nothing as "(no answer)".
    std::string Ask(const resp::Command& command) const {
        const SOCKET s = ConnectTo(port_);
        if (s == INVALID_SOCKET) {
            return "(no answer)";
        }
        resp::ReplyParser parser;
        std::string answer = "(no answer)";
        std::string out;
        if (!password_.empty()) {
            out = resp::EncodeCommand({"AUTH", password_});
        }
        out += resp::EncodeCommand(command);
        if (send(s, out.data(), static_cast<int>(out.size()), 0) == static_cast<int>(out.size())) {
            auto reply =
                password_.empty() ? std::optional<resp::Reply>(resp::Reply{}) : Read(s, parser);
            if (reply) {
                reply = Read(s, parser);
            }
            if (reply) {
                using Type = resp::Reply::Type;
                answer = reply->type == Type::Integer ? std::to_string(reply->integer)
                         : reply->type == Type::Null  ? "(nil)"
                         : reply->type == Type::Error ? "-" + reply->text
                                                      : reply->text;
            }
        }
        closesocket(s);
        return answer;
    }

  private:
    std::string password_;
    std::uint16_t port_ = FreePort();
};

// Every command Redis runs, in its order, as MONITOR tells them: `"HDEL" "adsl" "e2e-node"`.
class Monitor {
  public:
    explicit Monitor(std::uint16_t port) : socket_(ConnectTo(port)) {
        const std::string start = resp::EncodeCommand({"MONITOR"});
        if (socket_ == INVALID_SOCKET ||
            send(socket_, start.data(), static_cast<int>(start.size()), 0) <= 0) {
            return;
        }
        const DWORD forever = 0;
        setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&forever),
                   sizeof forever);
        reader_ = std::thread([this] {
            resp::ReplyParser parser;
            while (const auto reply = Read(socket_, parser)) {
                const std::size_t at = reply->text.find("] ");
                if (at != std::string::npos) {
                    std::lock_guard lock(mutex_);
                    lines_.push_back(reply->text.substr(at + 2));
                }
            }
        });
    }
    ~Monitor() {
        shutdown(socket_, SD_BOTH);
        if (reader_.joinable()) {
            reader_.join();
        }
        closesocket(socket_);
    }
    std::vector<std::string> Lines() const {
        std::lock_guard lock(mutex_);
        return lines_;
    }
    // The position of the first line from `from` on that starts with `prefix`; -1 when none.
    int Find(const std::string& prefix, int from = 0) const {
        const auto lines = Lines();
        for (int i = from; i < static_cast<int>(lines.size()); ++i) {
            if (lines[i].rfind(prefix, 0) == 0) {
                return i;
            }
        }
        return -1;
    }

  private:
    SOCKET socket_;
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
    std::thread reader_;
};

class ProxyPoolE2eTest : public E2eTest {
  protected:
    void SetUp() override {
        if (!Redis::Installed()) {
            GTEST_SKIP() << kRedisServer << " is not installed";
        }
        E2eTest::SetUp();
    }

    void StartPooled(const Redis& redis, const std::string& password = "",
                     const std::string& fleet = "") {
        std::string section = "[代理池]\r\n地址=127.0.0.1:" + std::to_string(redis.Port()) +
                              "\r\n节点=" + kNode + "\r\n端口=3128\r\n存活秒数=10\r\n" +
                              "允许网段=203.0.113.0/24\r\n";  // the simulated ISP's addresses
        if (!password.empty()) {
            section += "密码=" + password + "\r\n";
        }
        folder.WriteConfig(Config(section + fleet));
        app = std::make_unique<App>();
        ASSERT_TRUE(app->Start(folder.Path()));
    }

    // The field and the key hold `value` ("(nil)" for both gone) within `timeoutMs`.
    static bool Holds(const Redis& redis, const std::string& value, DWORD timeoutMs = 5000) {
        return WaitUntil(
            [&] {
                return redis.Ask({"HGET", "adsl", kNode}) == value &&
                       redis.Ask({"GET", std::string("adsl:") + kNode}) == value;
            },
            timeoutMs);
    }
};

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

}  // namespace
}  // namespace qv::e2e
