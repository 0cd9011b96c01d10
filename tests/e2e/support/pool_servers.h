#pragma once
// The proxy pool's servers for the end-to-end tests, each of the test's own on a free loopback
// port: a redis-server (and a MONITOR on it) and a tinyproxy. Wine starts the Linux programs
// but cannot wait on them: timeout(1) ends each should the test die first. And the fixture of
// the pool's cases: the program publishing to such a Redis.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

#include <cstdint>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "e2e/support/e2e_driver.h"
#include "e2e/support/script_driver.h"
#include "pool/resp.h"

namespace qv::e2e {

constexpr const char* kRedisServer = "/usr/bin/redis-server";
constexpr const char* kNode = "e2e-node";

// The next whole reply on `s`; nullopt on a closed or silent connection.
inline std::optional<resp::Reply> Read(SOCKET s, resp::ReplyParser& parser) {
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

// SHUTDOWN stops it.
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
        return testing::WaitUntil([this] { return Ask({"PING"}) == "PONG"; }, 10000);
    }

    void Stop() {
        if (Ask({"SHUTDOWN", "NOSAVE"}) == "(no answer)") {
            testing::WaitUntil([this] { return Ask({"PING"}) == "(no answer)"; }, 10000);
        }
    }

    // A reply as text: a string or integer as written, a nil as "(nil)", an error as
    // "-<text>", an array as its last element (BLPOP's value), nothing as "(no answer)".
    std::string Ask(const resp::Command& command, DWORD timeoutMs = 3000) const {
        const SOCKET s = ConnectTo(port_, timeoutMs);
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
                if (reply->type == Type::Array && !reply->elements.empty()) {
                    reply = reply->elements.back();
                }
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

// A tinyproxy listening on `port`, as a node's own proxy. Ended when destroyed if it wrote its
// process id, else by its time limit.
class Tinyproxy {
  public:
    explicit Tinyproxy(std::uint16_t port) : port_(port) {}
    ~Tinyproxy() { Stop(); }
    static bool Installed() {
        return GetFileAttributesA("Z:\\usr\\bin\\tinyproxy") != INVALID_FILE_ATTRIBUTES;
    }
    bool Start() {
        const std::string text = "Port " + std::to_string(port_) +
                                 "\nListen 127.0.0.1\nAllow 127.0.0.1\nTimeout 10\n"
                                 "LogLevel Critical\nMaxClients 20\n";
        std::ofstream("Z:" + Config(), std::ios::binary) << text;
        return StartUnixProgram("/usr/bin/timeout 120 " + CommandLine()) &&
               testing::WaitUntil([this] { return Answers(); }, 10000);
    }
    // By its whole command line from its start: in the foreground tinyproxy writes no process
    // id, and a kill by name could meet the Wine process that started it.
    void Stop() {
        if (StartUnixProgram("/usr/bin/pkill -f \"^" + CommandLine() + "$\"")) {
            testing::WaitUntil([this] { return !Answers(); }, 10000);
        }
    }

  private:
    bool Answers() const {
        const SOCKET s = ConnectTo(port_);
        if (s == INVALID_SOCKET) {
            return false;
        }
        closesocket(s);
        return true;
    }
    std::string Config() const {
        return "/tmp/qv-e2e-tinyproxy-" + std::to_string(port_) + ".conf";
    }
    std::string CommandLine() const { return "/usr/bin/tinyproxy -d -c " + Config(); }
    std::uint16_t port_;
};

// A Prometheus server scraping `target` (host:port) every second with the bearer `token`, its
// data in a folder of its own, stopped by its command line like the proxy.
class Prometheus {
  public:
    Prometheus(std::uint16_t port, std::string target, std::string token)
        : port_(port), target_(std::move(target)), token_(std::move(token)) {}
    ~Prometheus() { Stop(); }
    static bool Installed() {
        return GetFileAttributesA("Z:\\usr\\bin\\prometheus") != INVALID_FILE_ATTRIBUTES;
    }
    bool Start() {
        std::ofstream("Z:" + Base() + ".yml", std::ios::binary)
            << "global:\n  scrape_interval: 1s\nscrape_configs:\n  - job_name: node\n"
               "    authorization:\n      credentials: "
            << token_ << "\n    static_configs:\n      - targets: [\"" << target_ << "\"]\n";
        return StartUnixProgram("/usr/bin/timeout 120 " + CommandLine()) &&
               testing::WaitUntil([this] { return Query("up").status == 200; }, 30000);
    }
    void Stop() {
        if (StartUnixProgram("/usr/bin/pkill -f \"^" + CommandLine() + "$\"")) {
            testing::WaitUntil([this] { return Query("up").status == 0; }, 10000);
        }
        StartUnixProgram("/bin/rm -rf " + Base() + ".data " + Base() + ".yml");
    }
    // The query API's answer to an instant query (URL-safe expressions only).
    HttpAnswer Query(const std::string& expression) const {
        return HttpExchange(port_, "GET /api/v1/query?query=" + expression +
                                       " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
    }

  private:
    std::string Base() const { return "/tmp/qv-e2e-prometheus-" + std::to_string(port_); }
    std::string CommandLine() const {
        return "/usr/bin/prometheus --config.file=" + Base() +
               ".yml --storage.tsdb.path=" + Base() +
               ".data --web.listen-address=127.0.0.1:" + std::to_string(port_) +
               " --log.level=error";
    }
    std::uint16_t port_;
    std::string target_;
    std::string token_;
};

class ProxyPoolE2eTest : public E2eTest {
  protected:
    void SetUp() override {
        if (!Redis::Installed()) {
            GTEST_SKIP() << kRedisServer << " is not installed";
        }
        E2eTest::SetUp();
    }

    // `fleet`: further lines of the section; `proxyPort` the node's own proxy.
    void StartPooled(const Redis& redis, const std::string& password = "",
                     const std::string& fleet = "", std::uint16_t proxyPort = 3128) {
        std::string section = "[代理池]\r\n地址=127.0.0.1:" + std::to_string(redis.Port()) +
                              "\r\n节点=" + kNode + "\r\n端口=" + std::to_string(proxyPort) +
                              "\r\n存活秒数=10\r\n" +
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
        return testing::WaitUntil(
            [&] {
                return redis.Ask({"HGET", "adsl", kNode}) == value &&
                       redis.Ask({"GET", std::string("adsl:") + kNode}) == value;
            },
            timeoutMs);
    }
};

}  // namespace qv::e2e
