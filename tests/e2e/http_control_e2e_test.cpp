// The real program's HTTP control under load, against the simulated ISP with slow dials: a
// burst of scripted redials answered in turn while status requests keep answering. The
// server's rules in detail are tested natively.
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

    std::uint16_t port = 0;
};

// The real program behind the control: a burst of redials from callers at once runs one
// after another, one dial each, while a status is answered within a second from the last
// known state. (The queue's bound, callers that give up and trickled heads are the
// control's native cases.)
TEST_F(HttpControlE2eTest, RedialBurstsAreAnsweredInTurnWhileAStatusAnswersAtOnce) {
    sim::SetDelays(300, 0);
    const std::uint32_t dialsBefore = sim::CallCount(sim::RasFunction::Dial);
    std::vector<HttpAnswer> answers(6);
    std::vector<std::thread> callers;
    for (HttpAnswer& answer : answers) {
        callers.emplace_back(
            [&] { answer = HttpExchange(port, HttpRequest("POST", "/redial", kToken)); });
    }
    EXPECT_TRUE(
        testing::WaitUntil([&] { return sim::CallCount(sim::RasFunction::HangUp) > 0; }, 10000));
    for (int i = 0; i < 3; ++i) {  // asked before they ran, it would wait its turn
        const DWORD start = GetTickCount();
        const HttpAnswer status = HttpExchange(port, HttpRequest("GET", "/status", kToken), 5000);
        EXPECT_EQ(status.status, 200) << status.body;
        EXPECT_LT(GetTickCount() - start, 1000u);
    }
    for (auto& caller : callers) {
        caller.join();
    }
    for (const HttpAnswer& answer : answers) {
        EXPECT_EQ(answer.status, 200) << answer.head;
        EXPECT_EQ(JsonField(answer.body, "ok"), "true") << answer.body;
    }
    EXPECT_EQ(sim::CallCount(sim::RasFunction::Dial) - dialsBefore, 6u);
}

}  // namespace
}  // namespace qv::e2e
