// The real program's HTTP control under load, against the simulated ISP with slow dials:
// bursts of scripted redials (answered in turn, refused beyond the queue's bound) while
// status requests keep answering, callers that give up before their turn, and slow heads
// beside a valid request. The server's rules in detail are tested natively.
#include <winsock2.h>

#include <windows.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/support/e2e_driver.h"
#include "e2e/support/script_driver.h"
#include "sim_control.h"
#include "wine/support/wine_support.h"

namespace qv::e2e {
namespace {

namespace sim = qv::sim;

constexpr const char* kToken = "e2e-token-0123456789";

class HttpControlE2eTest : public E2eTest {
  protected:
    HttpControlE2eTest() { addresses = {"203.0.113.11", "203.0.113.12", "203.0.113.13"}; }

    void SetUp() override {
        E2eTest::SetUp();
        sim::AddExternalConnection("宽带连接", "203.0.113.90");
        port = FreePort();
        StartProgram(
            Config("[远程控制]\r\n端口=" + std::to_string(port) + "\r\n令牌=" + kToken + "\r\n"));
        ASSERT_TRUE(testing::WaitUntil([&] { return PortOpen(port); }, 10000));
    }

    // `count` redials at once, each on its own connection; their answers.
    std::vector<HttpAnswer> Redials(int count) {
        const std::uint32_t hangUpsBefore = sim::CallCount(sim::RasFunction::HangUp);
        std::vector<HttpAnswer> answers(count);
        std::vector<std::thread> callers;
        for (int i = 0; i < count; ++i) {
            callers.emplace_back([&, i] {
                answers[i] = HttpExchange(port, HttpRequest("POST", "/redial", kToken));
            });
        }
        // Once they run, a status request answers within a second, from the last known
        // state (asked earlier, it would take a place in the queue).
        EXPECT_TRUE(testing::WaitUntil(
            [&] { return sim::CallCount(sim::RasFunction::HangUp) > hangUpsBefore; }, 10000));
        for (int i = 0; i < 3; ++i) {
            ExpectStatusWithinASecond();
        }
        for (auto& caller : callers) {
            caller.join();
        }
        return answers;
    }

    void ExpectStatusWithinASecond() {
        const DWORD start = GetTickCount();
        const HttpAnswer status = HttpExchange(port, HttpRequest("GET", "/status", kToken), 5000);
        EXPECT_EQ(status.status, 200) << status.body;
        EXPECT_LT(GetTickCount() - start, 1000u);
    }

    std::uint16_t port = 0;
};

TEST_F(HttpControlE2eTest, RedialBurstsAreAnsweredInTurnOrRefusedBeyondTheQueue) {
    sim::SetDelays(300, 0);
    struct Row {
        int callers;
        int minRefused;
        int maxRefused;
    };
    // 20: one runs and sixteen wait; the first may not have started when the last arrive.
    for (const Row row : {Row{8, 0, 0}, Row{20, 3, 4}}) {
        const std::uint32_t dialsBefore = sim::CallCount(sim::RasFunction::Dial);
        int answered = 0;
        int refused = 0;
        for (const HttpAnswer& answer : Redials(row.callers)) {
            if (answer.status == 200) {
                EXPECT_EQ(JsonField(answer.body, "ok"), "true") << answer.body;
                ++answered;
            } else {
                EXPECT_EQ(answer.status, 503) << answer.head;
                EXPECT_EQ(JsonField(answer.body, "busy"), "true") << answer.body;
                ++refused;
            }
        }
        EXPECT_GE(refused, row.minRefused) << row.callers;
        EXPECT_LE(refused, row.maxRefused) << row.callers;
        EXPECT_EQ(sim::CallCount(sim::RasFunction::Dial) - dialsBefore,
                  static_cast<std::uint32_t>(answered))
            << "one dial per answered redial, none for a refused one";
    }
    ExpectStatusWithinASecond();
}

TEST_F(HttpControlE2eTest, CallersThatGiveUpBeforeTheirTurnRunNothing) {
    sim::SetDelays(1500, 0);
    std::thread first([&] { HttpExchange(port, HttpRequest("POST", "/redial", kToken)); });
    ASSERT_TRUE(
        testing::WaitUntil([] { return sim::CallCount(sim::RasFunction::HangUp) > 0; }, 10000));
    std::vector<std::thread> impatient;
    for (int i = 0; i < 4; ++i) {
        impatient.emplace_back([&] {
            EXPECT_EQ(HttpExchange(port, HttpRequest("POST", "/redial", kToken), 300).status, 0);
        });
    }
    for (auto& caller : impatient) {
        caller.join();
    }
    // Queued behind the impatient ones: answered only once their turns have passed.
    const HttpAnswer last = HttpExchange(port, HttpRequest("POST", "/redial", kToken));
    first.join();
    EXPECT_EQ(last.status, 200) << last.body;
    EXPECT_EQ(sim::CallCount(sim::RasFunction::Dial), 2u) << "the first and the last only";
}

TEST_F(HttpControlE2eTest, HeadsTrickledByteByByteDoNotHoldAValidRequest) {
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    std::vector<SOCKET> slow;
    for (int i = 0; i < 16; ++i) {
        SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        slow.push_back(s);
    }
    const std::string head = HttpRequest("GET", "/status", kToken);
    HANDLE stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread trickle([&] {
        for (std::size_t at = 0; WaitForSingleObject(stop, 100) == WAIT_TIMEOUT; ++at) {
            for (SOCKET s : slow) {
                send(s, head.data() + at % (head.size() - 4), 1, 0);
            }
        }
    });
    const DWORD start = GetTickCount();
    const HttpAnswer answer = HttpExchange(port, head, 10000);
    EXPECT_EQ(answer.status, 200) << answer.body;
    EXPECT_LT(GetTickCount() - start, 3000u) << "within the head limit";
    SetEvent(stop);
    trickle.join();
    CloseHandle(stop);
    for (SOCKET s : slow) {
        closesocket(s);
    }
    WSACleanup();
}

}  // namespace
}  // namespace qv::e2e
