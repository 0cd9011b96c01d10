// A fleet on one machine: N nodes of the portable core (the assistant, the pool's publisher
// and fleet records) against one real redis-server, each on a simulated line that draws its
// address from one small shared range, each redialling on its own jittered timer. It prints
// how many nodes were out of the pool at once, how many kept addresses the fleet had had
// lately, how long a node was out, and what Redis was sent per rotation.
//
//   fleet_sim <redis port> [nodes] [seconds] [limit K] [minutes M]   (defaults 50, 120, 4, 1)
// (<chrono> stays out: it does not compile to GBK; <thread> brings the clocks.)
#include <algorithm>
#include <cstdio>
#include <latch>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <set>
#include <thread>

#include "native/fake_services.h"
#include "pool/pool_listener.h"
#include "pool/redis_link.h"

namespace qv::testing {
namespace {

using Clock = std::chrono::steady_clock;
constexpr std::uint32_t kIntervalMs = 20000;
constexpr int kJitterPercent = 20;
constexpr int kConnectMs = 1000;
constexpr int kHangUpMs = 200;
constexpr int kAddresses = 600;  // few enough for a fleet of 50 to run into its own addresses

// The ISP: hands each dial a free address of its range, at random.
class SimIsp {
  public:
    Text Lease(const Text& returned) {
        std::lock_guard lock(mutex_);
        inUse_.erase(returned);
        for (;;) {
            const int n = std::uniform_int_distribution<int>(0, kAddresses - 1)(random_);
            Text address = "61.130." + std::to_string(n / 200) + "." + std::to_string(n % 200 + 1);
            if (inUse_.insert(address).second) {
                return address;
            }
        }
    }
    void Return(const Text& address) {
        std::lock_guard lock(mutex_);
        inUse_.erase(address);
    }

  private:
    std::mutex mutex_;
    std::set<Text> inUse_;
    std::mt19937 random_{12345};
};

class SimLine final : public Dialup {
  public:
    explicit SimLine(SimIsp& isp) : isp_(isp) {}
    int EntryCount() override { return 1; }
    Text EntryName(int) override { return "宽带连接"; }
    std::uint32_t Dial(const Text&, const Text&, const Text&, bool) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(kConnectMs));
        std::lock_guard lock(mutex_);
        address_ = isp_.Lease(address_);
        return 0;
    }
    bool IsConnected() override { return !Address().empty(); }
    void HangUpAll() override {
        std::this_thread::sleep_for(std::chrono::milliseconds(kHangUpMs));
        std::lock_guard lock(mutex_);
        isp_.Return(address_);
        address_.clear();
    }
    Text Address() {
        std::lock_guard lock(mutex_);
        return address_;
    }

  private:
    SimIsp& isp_;
    std::mutex mutex_;
    Text address_;
};

class SimEcho final : public PageFetcher {
  public:
    explicit SimEcho(SimLine& line) : line_(line) {}
    Bytes HttpFetch(const Text&) override {
        const Text page = "<p>[" + line_.Address() + "]</p>";
        return Bytes(page.begin(), page.end());
    }

  private:
    SimLine& line_;
};

class RealTimePump final : public EventPump {
  public:
    void ProcessPendingEvents() override {}
    std::uint32_t TickCount() override {
        return static_cast<std::uint32_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
                .count());
    }
    void WaitForEvents(std::uint32_t ms) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
};

// What the fleet as a whole did, from every node's line events.
class FleetRecord {
  public:
    explicit FleetRecord(int windowMinutes) : window_(std::chrono::minutes(windowMinutes)) {}

    void Out(bool& nodeOut, Clock::time_point& since) {
        std::lock_guard lock(mutex_);
        if (!nodeOut) {
            nodeOut = true;
            since = Clock::now();
            mostOut_ = std::max(mostOut_, ++out_);
        }
    }
    void Kept(const Text& ip, bool& nodeOut, Clock::time_point since) {
        std::lock_guard lock(mutex_);
        const auto now = Clock::now();
        if (nodeOut) {
            nodeOut = false;
            --out_;
            outMs_.push_back(std::chrono::duration<double, std::milli>(now - since).count());
        }
        auto [last, fresh] = lastKept_.try_emplace(ip, now);
        if (!fresh) {
            repeats_ += now - last->second < window_ ? 1 : 0;
            last->second = now;
        }
        ++kept_;
    }
    void Report(const char* name, std::uint64_t commands) {
        std::sort(outMs_.begin(), outMs_.end());
        const auto at = [&](double share) {
            return outMs_.empty() ? 0.0
                                  : outMs_[static_cast<std::size_t>(share * (outMs_.size() - 1))];
        };
        std::printf("| %s | %zu | %d | %d of %d | %.0f ms | %.0f ms | %.1f |\n", name,
                    outMs_.size(), mostOut_, repeats_, kept_, at(0.5), at(0.99),
                    outMs_.empty() ? 0.0 : double(commands) / double(outMs_.size()));
    }

  private:
    const std::chrono::minutes window_;
    std::mutex mutex_;
    int out_ = 0;
    int mostOut_ = 0;
    int repeats_ = 0;
    int kept_ = 0;
    std::vector<double> outMs_;
    std::map<Text, Clock::time_point> lastKept_;
};

class Measure final : public LineListeners {
  public:
    explicit Measure(FleetRecord& record) : record_(record) {}
    void BeforeHangUp() override { record_.Out(out_, since_); }
    void OnLineEvent(const LineEvent& event) override {
        if (event.kind == LineEventKind::Connected && event.kept) {
            record_.Kept(event.ip, out_, since_);
        }
    }

  private:
    FleetRecord& record_;
    bool out_ = false;
    Clock::time_point since_;
};

struct Node {
    Node(SimIsp& isp, FleetRecord& record, PoolSettings poolSettings)
        : settings(std::move(poolSettings)), line(isp), echo(line), measure(record) {
        services.listeners = &followers;
        services.fleet = &fleet;
        followers.Add(listener);
        followers.Add(measure);
        units.ints[{Unit::选择框_IP重复, prop::kChecked}] = 1;
        assistant.SetFleet({.jitterPercent = kJitterPercent});
    }
    PoolSettings settings;
    Journal journal;
    AppState state;
    FakeUnits units{journal};
    FakeTray tray{journal};
    SimLine line;
    SimEcho echo;
    RealTimePump pump;
    FakeProfile profile;
    FakeHotkeys hotkeys{journal};
    Services services{units, tray, line, echo, pump, profile, hotkeys};
    PoolPublisher publisher{settings, [](PoolHealth) {}};
    PoolFleet fleet{settings, publisher};
    PoolListener listener{settings, publisher, fleet};
    Measure measure;
    LineListenerList followers;
    Assistant assistant{state, services};
};

// The commands Redis has run for its clients, this question included.
std::uint64_t CommandsProcessed(RedisLink& redis) {
    std::vector<resp::Reply> replies;
    if (!redis.Exchange({{"INFO", "stats"}}, replies).ok() || replies.size() != 1) {
        return 0;
    }
    const std::string& info = replies.front().text;
    const auto at = info.find("total_commands_processed:");
    return at == std::string::npos ? 0 : std::stoull(info.substr(at + 25)) + 1;
}

PoolSettings NodeSettings(std::uint16_t port, int node, int limit, int minutes) {
    PoolSettings settings;
    settings.state = PoolSettings::State::On;
    settings.redisHost = "127.0.0.1";
    settings.redisPort = port;
    settings.node = "node-" + std::to_string(node);
    settings.proxyPort = 3128;
    settings.rotating = limit;
    settings.seenMinutes = minutes;
    return settings;
}

void RunFleet(const char* name, std::uint16_t port, int nodes, int seconds, int limit, int minutes,
              int windowMinutes) {
    LinkConfig config;
    config.host = "127.0.0.1";
    config.port = port;
    RedisLink redis(config);
    std::vector<resp::Reply> replies;
    if (!redis.Connect().ok() || !redis.Exchange({{"FLUSHALL"}}, replies).ok()) {
        std::fprintf(stderr, "fleet_sim: no Redis on port %u\n", port);
        std::exit(1);
    }
    SimIsp isp;
    FleetRecord record(windowMinutes);
    std::vector<std::unique_ptr<Node>> fleet;
    for (int i = 0; i < nodes; ++i) {
        fleet.push_back(std::make_unique<Node>(isp, record, NodeSettings(port, i, limit, minutes)));
    }
    std::latch allUp(nodes);
    std::uint64_t commandsBefore = 0;
    const auto deadline = Clock::now() + std::chrono::seconds(seconds);
    std::vector<std::thread> threads;
    for (int i = 0; i < nodes; ++i) {
        threads.emplace_back([&, i] {
            Node& node = *fleet[static_cast<std::size_t>(i)];
            node.assistant.DialCommand();
            allUp.arrive_and_wait();
            std::mt19937 draw(static_cast<unsigned>(i));
            for (;;) {
                const auto next = Clock::now() + std::chrono::milliseconds(JitteredIntervalMs(
                                                     kIntervalMs, kJitterPercent, draw()));
                if (next >= deadline) {
                    break;
                }
                std::this_thread::sleep_until(next);
                node.assistant.RedialCommand({.automatic = true});
            }
        });
    }
    allUp.wait();
    commandsBefore = CommandsProcessed(redis);
    for (std::thread& thread : threads) {
        thread.join();
    }
    record.Report(name, CommandsProcessed(redis) - commandsBefore - 1);
}

}  // namespace
}  // namespace qv::testing

int main(int argc, char** argv) {
    using namespace qv::testing;
    const auto arg = [&](int i, int fallback) { return argc > i ? std::atoi(argv[i]) : fallback; };
    const auto port = static_cast<std::uint16_t>(arg(1, 0));
    const int nodes = arg(2, 50), seconds = arg(3, 120), limit = arg(4, 4), minutes = arg(5, 1);
    std::printf(
        "%d nodes for %d s each run, timer %u s +/- %d %%, %d addresses, dial %d ms, "
        "hang-up %d ms, pause 1 s:\n\n",
        nodes, seconds, kIntervalMs / 1000, kJitterPercent, kAddresses, kConnectMs, kHangUpMs);
    std::printf(
        "| run | rotations | most out of the pool at once | kept addresses the fleet had "
        "within %d min | out of the pool, p50 | p99 | Redis commands per rotation |\n"
        "|---|---|---|---|---|---|---|\n",
        minutes);
    RunFleet("同时重拔=0, 不重复分钟=0", port, nodes, seconds, 0, 0, minutes);
    const std::string both =
        "同时重拔=" + std::to_string(limit) + ", 不重复分钟=" + std::to_string(minutes);
    RunFleet(both.c_str(), port, nodes, seconds, limit, minutes, minutes);
    return 0;
}
