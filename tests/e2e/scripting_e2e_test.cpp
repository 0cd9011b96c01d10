// Scripts driving the real Quorvane.exe against the simulated ISP: the command line with and
// without a running program, refusals without a box, the redial until a new address, and
// the local HTTP control's endpoints and its port.
#include <windows.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "e2e/support/e2e_driver.h"
#include "e2e/support/pool_servers.h"
#include "e2e/support/script_driver.h"
#include "sim_control.h"
#include "wine/support/wine_support.h"

namespace qv::e2e {
namespace {

namespace sim = qv::sim;

constexpr const char* kToken = "e2e-token-0123456789";

// The JSON is UTF-8; this file's narrow literals are GBK.
std::string Utf8(const char8_t* text) {
    return reinterpret_cast<const char*>(text);
}

class ScriptingE2eTest : public E2eTest {
  protected:
    ScriptingE2eTest() {
        entries = {"宽带连接", "电信ADSL"};
        addresses = {"203.0.113.11", "203.0.113.12", "203.0.113.13"};
    }
};

TEST_F(ScriptingE2eTest, CommandLineStartsTheProgramThenRunsEachVerbLikeItsButton) {
    ASSERT_EQ(FindWindowA("QuorvaneMainWindow", nullptr), nullptr) << "a program still runs";
    ClientRun run = Call("/status");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_EQ(JsonField(run.output, "state"), "disconnected") << run.output;
    EXPECT_EQ(JsonField(run.output, "entry"), Utf8(u8"宽带连接"));
    EXPECT_EQ(run.output.find('\n'), run.output.size() - 1) << "one line";
    app = std::make_unique<App>();
    ASSERT_TRUE(app->Attach(5000)) << "the caller started the program with its window";

    run = Call("--dial");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_EQ(JsonField(run.output, "ip"), "203.0.113.11");
    EXPECT_EQ(JsonField(run.output, "tries"), "1");
    EXPECT_EQ(app->StatusText(0), "当前状态：拔号完毕") << "as the button reports it";

    run = Call("/redial");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_EQ(JsonField(run.output, "ip"), "203.0.113.12");
    EXPECT_EQ(JsonField(run.output, "previous_ip"), "203.0.113.11");
    EXPECT_EQ(app->StatusText(0), "当前状态：重拔完毕");

    run = Call("/hangup");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_EQ(JsonField(run.output, "state"), "disconnected");
    EXPECT_EQ(app->StatusText(0), "当前状态：已断开网络连接");
    EXPECT_EQ(run.output.find("pw"), std::string::npos);
}

TEST_F(ScriptingE2eTest, RefusalsComeBackToTheScriptWithoutABox) {
    sim::AddExternalConnection("宽带连接", "203.0.113.90");
    StartProgram();
    ClientRun run = Call("/dial");
    EXPECT_EQ(run.exitCode, 1u) << run.output;
    EXPECT_EQ(JsonField(run.output, "error"), Utf8(u8"当前已有网络链接，请断线后再拔号！"));
    EXPECT_EQ(JsonField(run.output, "ok"), "false");
    EXPECT_FALSE(app->FindMessageBox().has_value());

    EXPECT_EQ(Call("/hangup").exitCode, 0u);
    run = Call("/hangup");
    EXPECT_EQ(run.exitCode, 1u) << run.output;
    EXPECT_EQ(JsonField(run.output, "error"), Utf8(u8"当前无拔号连接，无需断线！"));
    EXPECT_FALSE(app->FindMessageBox().has_value());
}

TEST_F(ScriptingE2eTest, UntilNewRedialsPastARepeatedAddress) {
    sim::AddExternalConnection("宽带连接", "203.0.113.90");
    sim::SetAddressPool({"203.0.113.90", "203.0.113.90", "203.0.113.14"});
    StartProgram();
    ClientRun run = Call("/redial /until-new /tries 5");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_EQ(JsonField(run.output, "tries"), "3");
    EXPECT_EQ(JsonField(run.output, "ip"), "203.0.113.14");
    EXPECT_EQ(JsonField(run.output, "previous_ip"), "203.0.113.90");
}

TEST_F(ScriptingE2eTest, UsageErrorsExitWithTwoAndStartNothing) {
    for (const char* arguments : {"/reboot", "/dial /until-new", "/redial /until-new /tries 0"}) {
        const ClientRun run = Call(arguments);
        EXPECT_EQ(run.exitCode, 2u) << arguments;
        EXPECT_NE(run.output.find("usage: Quorvane.exe"), std::string::npos) << run.output;
    }
    EXPECT_EQ(FindWindowA("QuorvaneMainWindow", nullptr), nullptr);
}

TEST_F(ScriptingE2eTest, HttpControlAnswersEveryEndpoint) {
    const std::uint16_t port = FreePort();
    StartProgram(
        Config("[远程控制]\r\n端口=" + std::to_string(port) + "\r\n令牌=" + kToken + "\r\n"));
    ASSERT_TRUE(testing::WaitUntil([&] { return PortOpen(port); }, 10000));
    const auto listening = ListeningPorts();
    ASSERT_TRUE(listening.has_value());
    EXPECT_EQ(listening->count(port), 1u) << "the listener check sees the control's port";

    HttpAnswer answer = HttpExchange(port, HttpRequest("GET", "/status", kToken));
    EXPECT_EQ(answer.status, 200) << answer.head;
    EXPECT_EQ(JsonField(answer.body, "state"), "disconnected") << answer.body;
    answer = HttpExchange(port, HttpRequest("POST", "/dial", kToken));
    EXPECT_EQ(answer.status, 200);
    EXPECT_EQ(JsonField(answer.body, "ip"), "203.0.113.11") << answer.body;
    answer = HttpExchange(port, HttpRequest("POST", "/redial?until_new=1&tries=3", kToken));
    EXPECT_EQ(JsonField(answer.body, "ip"), "203.0.113.12") << answer.body;
    answer = HttpExchange(port, HttpRequest("POST", "/hangup", kToken));
    EXPECT_EQ(JsonField(answer.body, "ok"), "true") << answer.body;
    answer = HttpExchange(port, HttpRequest("POST", "/hangup", kToken));
    EXPECT_EQ(answer.status, 200) << "the command ran; ok tells the refusal";
    EXPECT_EQ(JsonField(answer.body, "error"), Utf8(u8"当前无拔号连接，无需断线！"));
    EXPECT_FALSE(app->FindMessageBox().has_value());
    // The history's contents are the board's native rows.
    answer = HttpExchange(port, HttpRequest("GET", "/history", kToken));
    EXPECT_TRUE(nlohmann::json::parse(answer.body, nullptr, false).contains("history"));
    EXPECT_EQ(JsonField(Call("/history").output, "command"), "history");

    // An async redial answers at once; its outcome waits under its id.
    answer = HttpExchange(port, HttpRequest("POST", "/redial?async=1", kToken));
    EXPECT_EQ(answer.status, 202) << answer.body;
    const std::string result = "/result?id=" + JsonField(answer.body, "id").value_or("");
    EXPECT_EQ(HttpExchange(port, HttpRequest("GET", result, kToken)).status, 202);
    ASSERT_TRUE(testing::WaitUntil(
        [&] {
            return (answer = HttpExchange(port, HttpRequest("GET", result, kToken))).status == 200;
        },
        20000));
    EXPECT_EQ(JsonField(answer.body, "command"), "redial") << answer.body;

    // The metrics as Prometheus's own checker reads them.
    answer = HttpExchange(port, HttpRequest("GET", "/metrics", kToken));
    EXPECT_NE(answer.head.find("text/plain; version=0.0.4"), std::string::npos) << answer.head;
    EXPECT_NE(answer.body.find("quorvane_redials_total{outcome=\"new_address\"} 2"),
              std::string::npos)
        << answer.body;
    const std::string text = "/tmp/qv-metrics-" + std::to_string(GetCurrentProcessId());
    std::ofstream("Z:" + text + ".prom", std::ios::binary) << answer.body;
    ASSERT_TRUE(StartUnixProgram("/bin/sh -c \"promtool check metrics <" + text + ".prom >" + text +
                                 ".out 2>&1; echo $? >" + text + ".rc\""));
    ASSERT_TRUE(testing::WaitUntil([&] { return !testing::FileLines("Z:" + text + ".rc").empty(); },
                                   20000));
    EXPECT_EQ(testing::FileLines("Z:" + text + ".rc"), std::vector<std::string>{"0"})
        << answer.body;
    for (const char* suffix : {".prom", ".out", ".rc"}) {
        DeleteFileA(("Z:" + text + suffix).c_str());
    }

    // Requests the server refuses (malformed, oversized) are its native cases.
    ASSERT_TRUE(app->Close());
    EXPECT_EQ(app->WaitForExit(10000), 0u) << "ends as before, the control's thread stopped";
}

TEST_F(ScriptingE2eTest, APrometheusScrapingTheNodeSeesItsDialsRise) {
    if (!Prometheus::Installed()) {
        GTEST_SKIP() << "/usr/bin/prometheus is not installed";
    }
    const std::uint16_t port = FreePort();
    StartProgram(
        Config("[远程控制]\r\n端口=" + std::to_string(port) + "\r\n令牌=" + kToken + "\r\n"));
    Prometheus prometheus(FreePort(), "127.0.0.1:" + std::to_string(port), kToken);
    ASSERT_TRUE(prometheus.Start());
    const auto dials = [&] {
        const HttpAnswer answer = prometheus.Query("sum(quorvane_dials_total)");
        const auto json = nlohmann::json::parse(answer.body, nullptr, false);
        const auto& result = json.is_object() ? json["data"]["result"] : nlohmann::json();
        return result.is_array() && !result.empty() ? result[0]["value"][1].get<std::string>()
                                                    : std::string();
    };
    ASSERT_TRUE(testing::WaitUntil([&] { return dials() == "0"; }, 20000)) << "scraped";
    EXPECT_EQ(HttpExchange(port, HttpRequest("POST", "/dial", kToken)).status, 200);
    EXPECT_TRUE(testing::WaitUntil([&] { return dials() == "1"; }, 20000)) << dials();
}

// Ports that came while the program ran and went with it were the program's. (Another
// program on the machine doing exactly that meanwhile would be taken for it.)
TEST_F(ScriptingE2eTest, WithoutAValidSectionNoPortIsOpened) {
    const std::uint16_t port = FreePort();
    for (const std::string& section :
         {std::string(), "[远程控制]\r\n端口=" + std::to_string(port) + "\r\n令牌=too-short\r\n"}) {
        SCOPED_TRACE(section);
        const auto before = ListeningPorts();
        ASSERT_TRUE(before.has_value());
        StartProgram(Config(section));
        EXPECT_EQ(Call("/status").exitCode, 0u) << "the command line needs no port";
        const auto during = ListeningPorts();
        ASSERT_TRUE(app->Close());
        ASSERT_TRUE(app->WaitForExit(10000).has_value());
        app.reset();
        const auto after = ListeningPorts();
        ASSERT_TRUE(during.has_value() && after.has_value());
        for (std::uint16_t open : *during) {
            EXPECT_TRUE(before->count(open) || after->count(open))
                << "the program listened on " << open;
        }
    }
}

}  // namespace
}  // namespace qv::e2e
