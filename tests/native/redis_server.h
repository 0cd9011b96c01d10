#pragma once
// A redis-server of the test's own on a free loopback port (no persistence, nothing written),
// started and stopped by the test, which reads back what the code under test wrote. And a
// silent or babbling stand-in for a Redis that hangs or answers garbage.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "pool/pool_settings.h"

extern char** environ;

namespace qv::testing {

inline int LoopbackSocket(std::uint16_t port, bool listenOn) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    const auto* raw = reinterpret_cast<const sockaddr*>(&address);
    const bool ok = listenOn ? ::bind(fd, raw, sizeof address) == 0 && ::listen(fd, 8) == 0
                             : ::connect(fd, raw, sizeof address) == 0;
    if (!ok) {
        ::close(fd);
        return -1;
    }
    return fd;
}

inline std::uint16_t BoundPort(int fd) {
    sockaddr_in address{};
    socklen_t size = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    return ntohs(address.sin_port);
}

inline std::uint16_t FreePort() {
    const int fd = LoopbackSocket(0, true);
    const std::uint16_t port = BoundPort(fd);
    ::close(fd);
    return port;
}

// Polls `condition` every 10 ms until it holds or `limit` passes.
inline bool WaitFor(const std::function<bool()>& condition,
                    std::chrono::milliseconds limit = std::chrono::milliseconds(3000)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

class RedisServer {
  public:
    explicit RedisServer(std::string password = "", std::vector<std::string> options = {})
        : password_(std::move(password)), options_(std::move(options)) {}
    ~RedisServer() { Stop(); }
    RedisServer(const RedisServer&) = delete;
    RedisServer& operator=(const RedisServer&) = delete;

    // Starts (again, on the same port) and waits until it answers.
    bool Start() {
        std::vector<std::string> args = {
            "redis-server", "--port",    std::to_string(port_), "--bind",      "127.0.0.1",
            "--save",       "",          "--appendonly",        "no",          "--dir",
            "/tmp",         "--logfile", "/dev/null",           "--daemonize", "no"};
        if (!password_.empty()) {
            args.insert(args.end(), {"--requirepass", password_});
        }
        args.insert(args.end(), options_.begin(), options_.end());
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        if (::posix_spawnp(&pid_, "redis-server", nullptr, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
            return false;
        }
        return WaitFor([this] { return Answers(); }, std::chrono::milliseconds(5000));
    }

    void Stop() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

    std::uint16_t port() const { return port_; }

    // One inline command's answer over a connection of its own: an integer or a string as its
    // text, a nil as "(nil)", an error as "-<text>"; "(no answer)" when there is none.
    std::string Query(const std::string& command) const {
        const int fd = LoopbackSocket(port_, false);
        if (fd < 0) {
            return "(no answer)";
        }
        std::string answer = "(no answer)";
        if (password_.empty() || Ask(fd, "AUTH " + password_) == "OK") {
            answer = Ask(fd, command);
        }
        ::close(fd);
        return answer;
    }

  private:
    static std::string Ask(int fd, const std::string& command) {
        const std::string line = command + "\r\n";
        if (::send(fd, line.data(), line.size(), MSG_NOSIGNAL) !=
            static_cast<ssize_t>(line.size())) {
            return "(no answer)";
        }
        std::string reply;
        const auto complete = [&reply] {
            const std::size_t end = reply.find("\r\n");
            if (end == std::string::npos) {
                return false;
            }
            if (reply[0] != '$' || reply.compare(0, 3, "$-1") == 0) {
                return true;
            }
            return reply.size() >= end + 2 + std::stoul(reply.substr(1, end - 1)) + 2;
        };
        while (!complete()) {
            char buffer[512];
            pollfd wait{fd, POLLIN, 0};
            const ssize_t got =
                ::poll(&wait, 1, 1000) == 1 ? ::recv(fd, buffer, sizeof buffer, 0) : -1;
            if (got <= 0) {
                return "(no answer)";
            }
            reply.append(buffer, static_cast<std::size_t>(got));
        }
        const std::size_t end = reply.find("\r\n");
        switch (reply[0]) {
            case '$':
                return reply.compare(0, 3, "$-1") == 0
                           ? "(nil)"
                           : reply.substr(end + 2, reply.size() - end - 4);
            case '-':
                return reply.substr(0, end);
            default:
                return reply.substr(1, end - 1);
        }
    }

    // PONG, or NOAUTH when a password is set: either way the server is up.
    bool Answers() const {
        const int fd = LoopbackSocket(port_, false);
        if (fd < 0) {
            return false;
        }
        bool up = ::send(fd, "PING\r\n", 6, MSG_NOSIGNAL) == 6;
        char reply[64] = {};
        pollfd wait{fd, POLLIN, 0};
        up = up && ::poll(&wait, 1, 1000) == 1 && ::recv(fd, reply, sizeof reply - 1, 0) > 0 &&
             (reply[0] == '+' || reply[0] == '-');
        ::close(fd);
        return up;
    }

    std::string password_;
    std::vector<std::string> options_;  // more of the server's command line
    std::uint16_t port_ = FreePort();
    pid_t pid_ = -1;
};

// Accepts connections and reads whatever comes; answers each read with `answer`, or never
// when it is empty (a Redis that hangs).
class StandInServer {
  public:
    explicit StandInServer(std::string answer) : answer_(std::move(answer)) {
        listener_ = LoopbackSocket(0, true);
        port_ = BoundPort(listener_);
        thread_ = std::thread([this] { Serve(); });
    }
    ~StandInServer() {
        stop_ = true;
        thread_.join();
        for (int fd : clients_) {
            ::close(fd);
        }
        ::close(listener_);
    }
    std::uint16_t port() const { return port_; }
    int Reads() const { return reads_; }

  private:
    void Serve() {
        while (!stop_) {
            std::vector<pollfd> fds{{listener_, POLLIN, 0}};
            for (int fd : clients_) {
                fds.push_back({fd, POLLIN, 0});
            }
            if (::poll(fds.data(), fds.size(), 20) <= 0) {
                continue;
            }
            std::vector<int> open;
            for (std::size_t i = 1; i < fds.size(); ++i) {
                char buffer[1024];
                if ((fds[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
                    open.push_back(fds[i].fd);
                } else if (::recv(fds[i].fd, buffer, sizeof buffer, 0) > 0) {
                    ++reads_;
                    if (!answer_.empty()) {
                        ::send(fds[i].fd, answer_.data(), answer_.size(), MSG_NOSIGNAL);
                    }
                    open.push_back(fds[i].fd);
                } else {
                    ::close(fds[i].fd);
                }
            }
            if (fds[0].revents & POLLIN) {
                open.push_back(::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC));
            }
            clients_ = open;
        }
    }

    std::string answer_;
    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::vector<int> clients_;
    std::atomic<bool> stop_{false};
    std::atomic<int> reads_{0};
    std::thread thread_;
};

// The pool's settings for node pc1 and a Redis on `port` of this machine.
inline PoolSettings Settings(std::uint16_t port, std::string password = "", std::string user = "",
                             std::string host = "127.0.0.1") {
    PoolSettings settings;
    settings.state = PoolSettings::State::On;
    settings.redisHost = std::move(host);
    settings.redisPort = port;
    settings.password = std::move(password);
    settings.user = std::move(user);
    settings.node = "pc1";
    settings.proxyPort = 8080;
    settings.ttlSeconds = 300;
    return settings;
}

}  // namespace qv::testing
