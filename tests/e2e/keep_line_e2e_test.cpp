// Keeping the line, end to end: retries of scripted dials by the failure's cause, the least
// time between dials, the redial after a drop (and none after a person's hang-up), the echo
// page list and the wait for the address, and the command and web address told of each event.
#include <windows.h>

#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/support/e2e_driver.h"
#include "e2e/support/script_driver.h"
#include "sim_control.h"
#include "wine/local_http_server.h"
#include "wine/support/wine_support.h"

namespace qv::e2e {
namespace {

namespace sim = qv::sim;
using Http = testing::LocalHttpServer;

class KeepLineE2eTest : public E2eTest {
  protected:
    KeepLineE2eTest() {
        addresses = {"203.0.113.21", "203.0.113.22", "203.0.113.23", "203.0.113.24"};
    }

    // `keepLine`: the lines of section 线路保持; `echo`: IP查询地址 (the ISP's page by default).
    void StartKeepingTheLine(const std::string& keepLine, const std::string& extra = "",
                             const std::string& echo = "") {
        StartProgram((echo.empty() ? Config() : ConfigText(echo)) + "[线路保持]\r\n" + keepLine +
                     "\r\n" + extra);
    }

    // The program's own connection on the simulated line (0 when none).
    std::uintptr_t OwnConnection() const {
        std::uintptr_t handle = 0;
        for (const sim::Connection& connection : sim::Connections()) {
            if (connection.ownerPid == app->ProcessId() && connection.state == 0x2000) {
                handle = connection.handle;  // RASCS_Connected
            }
        }
        return handle;
    }
};

// The section reaches the program: a scripted dial is retried by its cause, and the window
// answers while the retry waits. (Each cause's waits, the least gap and the wait for the
// address are the keep-line rules' native rows.)
TEST_F(KeepLineE2eTest, AScriptedDialIsRetriedWhileTheWindowAnswers) {
    StartKeepingTheLine("失败重试=5\r\n重试间隔=2");
    sim::FailNextDials(2, 691);
    ClientRun run = Call("/dial");
    EXPECT_EQ(run.exitCode, 1u) << run.output;
    EXPECT_EQ(JsonField(run.output, "ras_error"), "691") << run.output;
    EXPECT_EQ(sim::CallCount(sim::RasFunction::Dial), 2u) << "never a third: the account";

    sim::ClearCalls();
    sim::FailNextDials(1, 678);
    std::thread dial([&] { run = Call("/dial"); });
    EXPECT_TRUE(testing::WaitUntil(
        [&] { return app->StatusText(0).value_or("").find("秒后重试") != std::string::npos; },
        20000));
    DWORD_PTR reply = 0;
    const DWORD start = GetTickCount();
    EXPECT_NE(SendMessageTimeoutA(app->MainWindow(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &reply),
              0)
        << "the window answers while a retry waits";
    EXPECT_LT(GetTickCount() - start, 1000u);
    dial.join();
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_EQ(sim::CallCount(sim::RasFunction::Dial), 2u);
}

TEST_F(KeepLineE2eTest, EchoPagesAreAskedInTurn) {
    StartProgram(ConfigText(isp->ErrorPageUrl() + " | " + isp->EchoUrl()));
    ClientRun run = Call("/redial");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_EQ(JsonField(run.output, "ip"), "203.0.113.21") << run.output;
    EXPECT_EQ(app->StatusText(1), "当前IP：203.0.113.21");
    EXPECT_GE(sim::ErrorPageFetches(), 1u);
}

// With notifications on, the line is watched even without 掉线重拔.
class KeepLineEventsE2eTest : public KeepLineE2eTest {
  protected:
    void SetUp() override {
        KeepLineE2eTest::SetUp();
        ASSERT_TRUE(webhook.Listening());
        webhook.SetAnswer([this](SOCKET client, const std::string& head) {
            const std::string body = Http::BodyOf(Http::WithBody(client, head));
            {
                std::lock_guard<std::mutex> lock(mutex);
                posted.push_back(JsonField(body, "event").value_or("?"));
            }
            Http::Send(client, Http::Reply("200 OK", "", 0));
        });
        std::ofstream(folder.Path() + "\\hook.bat")
            << "@echo %QV_EVENT% %QV_IP%>>\"" << folder.Path() << "\\events.txt\"\r\n";
    }

    void StartWatched(const std::string& redialOnDrop) {
        StartKeepingTheLine("掉线重拔=" + redialOnDrop,
                            "[通知]\r\n命令=" + folder.Path() +
                                "\\hook.bat\r\n网址=" + webhook.Url("/events") + "\r\n");
    }

    std::string HookLines() const {
        std::string lines;
        for (const std::string& line : testing::FileLines(folder.Path() + "\\events.txt")) {
            lines += line + ";";
        }
        return lines;
    }

    std::string Posted() {
        std::lock_guard<std::mutex> lock(mutex);
        std::string events;
        for (const std::string& event : posted) {
            events += event + ";";
        }
        return events;
    }

    // `hooked`: each event with its address as the command wrote them; `events`: as posted.
    bool BothTold(const std::string& hooked, const std::string& events) {
        return testing::WaitUntil([&] { return HookLines() == hooked && Posted() == events; },
                                  15000);
    }

    Http webhook;
    std::mutex mutex;
    std::vector<std::string> posted;
};

// The watch is wired: a drop is told, and redialled with 掉线重拔=1. (Without it the drop is
// only told: the drop rule's native rows.)
TEST_F(KeepLineEventsE2eTest, ADropIsRedialledButAPersonsHangUpIsNot) {
    StartWatched("1");
    ASSERT_EQ(Call("/dial").exitCode, 0u);
    ASSERT_TRUE(sim::DropConnection(OwnConnection()));
    EXPECT_TRUE(app->WaitForStatus(1, "当前IP：203.0.113.22", 15000)) << "redialled";
    ASSERT_TRUE(app->Click(Unit::按钮_断线));
    EXPECT_TRUE(app->WaitForStatus(0, "当前状态：已断开网络连接"));
    EXPECT_TRUE(BothTold("connected 203.0.113.21;dropped;connected 203.0.113.22;disconnected;",
                         "connected;dropped;connected;disconnected;"))
        << HookLines() << "\n"
        << Posted();
    EXPECT_FALSE(
        testing::WaitUntil([] { return sim::CallCount(sim::RasFunction::Dial) > 2; }, 3000))
        << "the person's hang-up is no drop";
}

}  // namespace
}  // namespace qv::e2e
