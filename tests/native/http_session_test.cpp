// The HTTP control's server over real sockets on 127.0.0.1, with a fake window thread that
// drains the queue: it keeps answering whatever its callers do, drops commands whose callers
// have gone, bounds slow connections and refuses beyond its limits. Also built under
// ThreadSanitizer (native_tsan_tests).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "control/http_control.h"

namespace qv {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr const char* kToken = "native-token-0123456789";

class PlainCodec : public TextCodec {
  public:
    std::string GbkToUtf8(const Text& text) const override { return text; }
};

// The window's thread: takes each job when woken, runs it until the test lets it end, and
// answers it as ScriptHost does. Records each command's `tries`, which tests use to tell
// the callers apart.
class FakeWindow {
  public:
    FakeWindow() {
        thread_ = std::thread([this] { Loop(); });
    }
    ~FakeWindow() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
            held_ = false;
        }
        changed_.notify_all();
        thread_.join();
    }
    void Hold(bool held) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            held_ = held;
        }
        changed_.notify_all();
    }
    bool WaitRan(std::size_t count) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10),
                                 [&] { return ran_.size() >= count; });
    }
    std::vector<int> Ran() {
        std::lock_guard<std::mutex> lock(mutex_);
        return ran_;
    }

    CommandQueue queue{[this] {
        std::lock_guard<std::mutex> lock(mutex_);
        woken_ = true;
        changed_.notify_all();
    }};

  private:
    void Loop() {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!stopping_) {
            changed_.wait(lock, [&] { return woken_ || stopping_; });
            woken_ = false;
            lock.unlock();
            while (auto job = queue.BeginNext()) {
                lock.lock();
                ran_.push_back(job->command.tries);
                changed_.notify_all();
                changed_.wait(lock, [&] { return !held_; });
                lock.unlock();
                queue.LeaveHandler();
                ScriptOutcome outcome;
                outcome.command = job->command.verb;
                outcome.ok = true;
                outcome.tries = job->command.tries;
                outcome.busy = queue.Busy();
                job->done(outcome);
            }
            lock.lock();
        }
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    bool woken_ = false;
    bool held_ = false;
    bool stopping_ = false;
    std::vector<int> ran_;
    std::thread thread_;
};

// One client connection, closed with the object.
class Client {
  public:
    explicit Client(std::uint16_t port) : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~Client() { Close(); }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    bool Send(const std::string& text) {
        return connected_ && send(fd_, text.data(), text.size(), MSG_NOSIGNAL) ==
                                 static_cast<ssize_t>(text.size());
    }
    // Something to read (an answer or the server's close) within `wait`.
    bool Readable(milliseconds wait) {
        pollfd p = {fd_, POLLIN, 0};
        return poll(&p, 1, static_cast<int>(wait.count())) == 1;
    }
    // Everything until the server closes; empty when it does not within `wait`.
    std::string Answer(milliseconds wait = milliseconds(5000)) {
        std::string all;
        const auto end = Clock::now() + wait;
        char buffer[4096];
        while (Clock::now() < end &&
               Readable(std::chrono::duration_cast<milliseconds>(end - Clock::now()))) {
            const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
            if (n <= 0) {
                return all;
            }
            all.append(buffer, static_cast<std::size_t>(n));
        }
        return {};
    }
    void Close() {
        if (fd_ >= 0) {
            close(fd_);
            fd_ = -1;
        }
    }

  private:
    int fd_;
    bool connected_ = false;
};

std::string Request(const std::string& method, const std::string& target,
                    const std::string& headers = std::string("Authorization: Bearer ") + kToken +
                                                 "\r\n") {
    return method + " " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + headers +
           (method == "POST" ? "Content-Length: 0\r\n" : "") + "\r\n";
}

int StatusOf(const std::string& answer) {
    return answer.rfind("HTTP/1.1 ", 0) == 0 ? std::atoi(answer.c_str() + 9) : 0;
}

bool Holds(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class HttpSessionTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(control->Start("127.0.0.1", 0)); }

    std::string Exchange(const std::string& request) {
        Client client(control->Port());
        client.Send(request);
        return client.Answer();
    }
    // A status request, and how long its answer took.
    std::pair<std::string, milliseconds> TimedStatus() {
        const auto start = Clock::now();
        std::string answer = Exchange(Request("GET", "/status"));
        return {answer, std::chrono::duration_cast<milliseconds>(Clock::now() - start)};
    }

    FakeWindow window;
    StatusBoard board;
    PlainCodec codec;
    std::unique_ptr<HttpControl> control =
        std::make_unique<HttpControl>(window.queue, board, codec, kToken);
    // As the program does when the control starts.
    const bool seeded = (board.Publish(ScriptOutcome()), true);
};

TEST_F(HttpSessionTest, CommandsWaitTheirTurnWhileStatusAndLaterCallersAreAnswered) {
    window.Hold(true);
    Client running(control->Port());
    running.Send(Request("POST", "/redial?until_new=1&tries=1"));
    ASSERT_TRUE(window.WaitRan(1));
    // Sixteen more wait their turn; the three beyond them are refused at once.
    std::vector<std::unique_ptr<Client>> callers;
    for (int tries = 2; tries <= 20; ++tries) {
        callers.push_back(std::make_unique<Client>(control->Port()));
        callers.back()->Send(Request("POST", "/redial?until_new=1&tries=" + std::to_string(tries)));
    }
    std::vector<std::size_t> refused;
    const auto end = Clock::now() + milliseconds(3000);
    while (refused.size() < 3 && Clock::now() < end) {
        for (std::size_t i = 0; i < callers.size(); ++i) {
            if (std::find(refused.begin(), refused.end(), i) == refused.end() &&
                callers[i]->Readable(milliseconds(10))) {
                refused.push_back(i);
            }
        }
    }
    ASSERT_EQ(refused.size(), 3u) << "callers beyond sixteen waiting are refused at once";
    for (std::size_t i : refused) {
        const std::string answer = callers[i]->Answer();
        EXPECT_EQ(StatusOf(answer), 503) << answer;
        EXPECT_TRUE(Holds(answer, "\"command\":\"redial\"") && Holds(answer, "\"busy\":true"))
            << answer;
    }
    auto [status, took] = TimedStatus();
    EXPECT_EQ(StatusOf(status), 200) << status;
    EXPECT_TRUE(Holds(status, "\"busy\":true")) << status;
    EXPECT_LT(took, milliseconds(1000));

    // Five waiting callers give up: their commands must not run.
    std::set<int> gone;
    for (std::size_t i = 0; i < callers.size() && gone.size() < 5; ++i) {
        if (std::find(refused.begin(), refused.end(), i) == refused.end()) {
            gone.insert(static_cast<int>(i) + 2);
            callers[i]->Close();
        }
    }
    // Two exchanges later the server has seen the closes.
    TimedStatus();
    TimedStatus();
    window.Hold(false);
    for (std::size_t i = 0; i < callers.size(); ++i) {
        const int tries = static_cast<int>(i) + 2;
        if (!gone.count(tries) && std::find(refused.begin(), refused.end(), i) == refused.end()) {
            const std::string answer = callers[i]->Answer();
            EXPECT_EQ(StatusOf(answer), 200) << answer;
            EXPECT_TRUE(Holds(answer, "\"tries\":" + std::to_string(tries))) << answer;
        }
    }
    EXPECT_EQ(StatusOf(running.Answer()), 200);
    const std::vector<int> ran = window.Ran();
    EXPECT_EQ(ran.size(), 12u) << "the running one and the eleven still waited for";
    for (int tries : ran) {
        EXPECT_FALSE(gone.count(tries)) << "ran the command of caller " << tries << ", gone";
    }
    std::tie(status, took) = TimedStatus();
    EXPECT_EQ(StatusOf(status), 200) << "still answering after the burst";
    EXPECT_LT(took, milliseconds(1000));
}

TEST_F(HttpSessionTest, CommandsLeftWaitingWhenTheServerStopsAreDroppedHarmlessly) {
    window.Hold(true);
    std::vector<std::unique_ptr<Client>> callers;
    for (int tries = 1; tries <= 3; ++tries) {
        callers.push_back(std::make_unique<Client>(control->Port()));
        callers.back()->Send(Request("POST", "/redial?until_new=1&tries=" + std::to_string(tries)));
        ASSERT_TRUE(tries > 1 || window.WaitRan(1));
    }
    TimedStatus();  // the others have been read and queued
    control.reset();
    window.Hold(false);  // the running one's outcome goes nowhere, long after the server
    ASSERT_TRUE(
        window.queue.Submit({{ScriptVerb::Redial, true, 99}, [](const ScriptOutcome&) {}, {}}));
    ASSERT_TRUE(window.WaitRan(2));
    EXPECT_EQ(window.Ran(), (std::vector<int>{1, 99})) << "nobody waits for the other two";
}

TEST_F(HttpSessionTest, BadRequestsGetTheirStatusOverTheWire) {
    const std::string auth = std::string("Authorization: Bearer ") + kToken + "\r\n";
    struct Row {
        const char* name;
        std::string request;
        int status;
    };
    const Row rows[] = {
        {"no token", Request("GET", "/status", ""), 401},
        {"wrong token", Request("GET", "/status", "Authorization: Bearer native-token-x\r\n"), 401},
        {"two tokens", Request("GET", "/status", auth + auth), 400},
        {"wrong method", Request("GET", "/dial"), 405},
        {"unknown path", Request("GET", "/reboot"), 404},
        {"head over 8 KB", Request("GET", "/status?" + std::string(9000, 'a')), 431},
    };
    for (const Row& row : rows) {
        const std::string answer = Exchange(row.request);
        EXPECT_EQ(StatusOf(answer), row.status) << row.name << "\n" << answer;
        EXPECT_EQ(Holds(answer, "WWW-Authenticate: Bearer"), row.status == 401) << row.name;
    }
    EXPECT_TRUE(window.Ran().empty()) << "bad requests ran nothing";
}

TEST_F(HttpSessionTest, SlowConnectionsNeitherBlockOthersNorWaitInTheBacklog) {
    // Sixteen connections trickle a head byte by byte, never finishing it.
    std::vector<std::unique_ptr<Client>> slow;
    for (int i = 0; i < 16; ++i) {
        slow.push_back(std::make_unique<Client>(control->Port()));
    }
    const auto start = Clock::now();
    std::mutex mutex;
    std::condition_variable stop;
    bool stopping = false;
    std::thread trickle([&] {
        const std::string head = Request("GET", "/status");
        std::unique_lock<std::mutex> lock(mutex);
        for (std::size_t at = 0; !stop.wait_for(lock, milliseconds(100), [&] { return stopping; });
             ++at) {
            for (auto& client : slow) {
                client->Send(head.substr(at % (head.size() - 4), 1));
            }
        }
    });
    auto [status, took] = TimedStatus();
    EXPECT_EQ(StatusOf(status), 200) << status;
    EXPECT_LT(took, milliseconds(1000)) << "answered beside the slow ones";

    // Idle ones fill the rest; one more is refused at once instead of waiting.
    std::vector<std::unique_ptr<Client>> idle;
    for (int i = 16; i < kMaxHttpConnections; ++i) {
        idle.push_back(std::make_unique<Client>(control->Port()));
    }
    std::tie(status, took) = TimedStatus();
    EXPECT_EQ(StatusOf(status), 503) << status;
    EXPECT_LT(took, milliseconds(1000));

    // Every slow connection is closed at the head limit, however it trickles.
    for (const auto* clients : {&slow, &idle}) {
        for (const auto& client : *clients) {
            EXPECT_TRUE(client->Readable(milliseconds(kHeadSeconds * 1000 + 1500)));
        }
    }
    const auto closedAfter = Clock::now() - start;
    EXPECT_LT(closedAfter, std::chrono::seconds(kHeadSeconds) + milliseconds(1500));
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    stop.notify_all();
    trickle.join();
    EXPECT_EQ(StatusOf(TimedStatus().first), 200) << "their slots are free again";
}

}  // namespace
}  // namespace qv
