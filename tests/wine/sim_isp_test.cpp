// The simulated ISP process and its control command: the echo page shows what the line
// shows, and every ispctl command sets the knob it names.
#include <windows.h>

#include <wininet.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>

#include "dialup/ras_records.h"
#include "sim_control.h"
#include "wine/support/sim_line_test.h"
#include "wine/support/wine_support.h"

namespace {

namespace sim = qv::sim;

const std::uint16_t kPort = qv::testing::FreePort();  // one for the run

struct Page {
    DWORD status = 0;
    std::string body;
};

Page Fetch(const std::string& path) {
    Page page;
    HINTERNET session = InternetOpenA("sim-test", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    if (session == nullptr) {
        return page;
    }
    HINTERNET connection = InternetConnectA(session, "127.0.0.1", kPort, nullptr, nullptr,
                                            INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET request =
        connection ? HttpOpenRequestA(connection, "GET", path.c_str(), "HTTP/1.0", nullptr, nullptr,
                                      INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0)
                   : nullptr;
    if (request != nullptr && HttpSendRequestA(request, nullptr, 0, nullptr, 0)) {
        DWORD size = sizeof page.status;
        HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &page.status,
                       &size, nullptr);
        char buffer[1024];
        DWORD got = 0;
        while (InternetReadFile(request, buffer, sizeof buffer, &got) && got > 0) {
            page.body.append(buffer, got);
        }
    }
    if (request)
        InternetCloseHandle(request);
    if (connection)
        InternetCloseHandle(connection);
    InternetCloseHandle(session);
    return page;
}

std::string Bracketed(const std::string& body) {
    const auto open = body.find('[');
    const auto close = open == std::string::npos ? open : body.find(']', open);
    return close == std::string::npos ? std::string() : body.substr(open + 1, close - open - 1);
}

using CommandRun = qv::testing::ProgramRun;

// Runs ispctl.exe from this program's directory with `args` (GBK) and collects its output.
CommandRun Ispctl(const std::string& args) {
    return qv::testing::RunCapturingOutput(
               "\"" + qv::testing::ProgramDirectory() + "\\ispctl.exe\" " + args, nullptr, 10000)
        .value_or(CommandRun{});
}

using SimIspTest = qv::testing::SimLineTest;

TEST_F(SimIspTest, EchoPageShowsTheLinesPublicAddress) {
    sim::IspProcess isp(kPort);
    ASSERT_TRUE(isp.Running());
    EXPECT_EQ(isp.EchoUrl(), "http://127.0.0.1:" + std::to_string(kPort) + "/ic.asp");
    const struct {
        const char* name;
        std::function<void()> arrange;
        const char* shown;
    } rows[] = {
        {"no connection", [] {}, ""},
        {"router mode", [] { sim::SetRouterMode(true, "198.51.100.5"); }, "198.51.100.5"},
        {"dial-up up", [] { sim::AddExternalConnection("宽带连接", "203.0.113.40"); },
         "203.0.113.40"},
        {"still authenticating", [] { sim::AddStuckConnection("宽带连接"); }, ""},
        {"offline",
         [] {
             sim::AddExternalConnection("宽带连接", "203.0.113.41");
             sim::SetOffline(true);
         },
         ""},
    };
    std::uint32_t fetches = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        sim::Reset();
        row.arrange();
        const Page page = Fetch("/ic.asp");
        ++fetches;
        EXPECT_EQ(page.status, 200u);
        EXPECT_EQ(Bracketed(page.body), row.shown);
        EXPECT_EQ(page.body.find('[') != std::string::npos, row.shown[0] != '\0');
        EXPECT_EQ(sim::PageFetches(), 1u);  // Reset clears the count
        EXPECT_EQ(sim::LastPageAddress(), row.shown);
    }
    EXPECT_GT(fetches, 0u);
}

TEST_F(SimIspTest, OnlyTheEchoPageCountsAsAFetch) {
    sim::IspProcess isp(kPort);
    ASSERT_TRUE(isp.Running());
    EXPECT_EQ(Fetch("/other.asp").status, 404u);
    EXPECT_EQ(sim::PageFetches(), 0u);
    sim::AddExternalConnection("宽带连接", "203.0.113.42");
    const Page page = Fetch("/IC.ASP?x=1");
    EXPECT_EQ(page.status, 200u);
    EXPECT_EQ(Bracketed(page.body), "203.0.113.42");
    EXPECT_EQ(sim::PageFetches(), 1u);
}

TEST_F(SimIspTest, GarbageAndErrorPagesShowNoAddress) {
    sim::IspProcess isp(kPort);
    ASSERT_TRUE(isp.Running());
    EXPECT_EQ(isp.ErrorPageUrl(), "http://127.0.0.1:" + std::to_string(kPort) + "/html.asp");
    sim::AddExternalConnection("宽带连接", "203.0.113.43");
    sim::SetPageGarbage(true);
    Page page = Fetch("/ic.asp");
    EXPECT_EQ(page.status, 200u);
    EXPECT_EQ(Bracketed(page.body), "<b>Server Error</b>");
    EXPECT_EQ(sim::PageFetches(), 1u);
    EXPECT_EQ(sim::LastPageAddress(), "");

    sim::SetPageGarbage(false);
    page = Fetch("/html.asp");
    EXPECT_EQ(page.status, 500u);
    EXPECT_NE(page.body.find("<html>"), std::string::npos);
    EXPECT_EQ(page.body.find("203.0.113.43"), std::string::npos);
    EXPECT_EQ(sim::ErrorPageFetches(), 1u);
    EXPECT_EQ(sim::PageFetches(), 1u);
    EXPECT_EQ(Bracketed(Fetch("/ic.asp").body), "203.0.113.43");
}

TEST_F(SimIspTest, DelayedEchoPageAnswersWithTheLineAsItIsThenAndHoldsUpNothingElse) {
    sim::IspProcess isp(kPort);
    ASSERT_TRUE(isp.Running());
    sim::SetPageDelay(1500);
    Page delayed;
    DWORD delayedMs = 0;
    std::thread fetcher([&] {
        const DWORD start = GetTickCount();
        delayed = Fetch("/ic.asp");
        delayedMs = GetTickCount() - start;
    });
    qv::testing::PumpFor(300);  // the delayed request reaches the ISP first; nothing to observe
    const DWORD start = GetTickCount();
    EXPECT_EQ(Fetch("/html.asp").status, 500u);
    sim::AddExternalConnection("宽带连接", "203.0.113.44");
    EXPECT_LT(GetTickCount() - start, 1000u);
    fetcher.join();
    EXPECT_GE(delayedMs, 1450u);
    EXPECT_EQ(delayed.status, 200u);
    EXPECT_EQ(Bracketed(delayed.body), "203.0.113.44");
}

TEST_F(SimIspTest, ControlCommandSetsTheKnobItNames) {
    sim::IspProcess isp(kPort);
    ASSERT_TRUE(isp.Running());
    const struct {
        const char* args;
        std::function<void()> check;
    } rows[] = {
        {"entries 宽带连接 \"电信 ADSL\"",
         [] {
             EXPECT_EQ(sim::ReadKnobs().entries,
                       (std::vector<std::string>{"宽带连接", "电信 ADSL"}));
         }},
        {"entries-numbered 40 线路",
         [] {
             const auto entries = sim::ReadKnobs().entries;
             ASSERT_EQ(entries.size(), 40u);
             EXPECT_EQ(entries[39], "线路40");
         }},
        {"credentials adsl01 secret adsl02 其它",
         [] {
             const auto credentials = sim::ReadKnobs().credentials;
             ASSERT_EQ(credentials.size(), 2u);
             EXPECT_EQ(credentials[1].userName, "adsl02");
             EXPECT_EQ(credentials[1].password, "其它");
         }},
        {"credentials any", [] { EXPECT_TRUE(sim::ReadKnobs().credentials.empty()); }},
        {"delays 1500 250",
         [] {
             EXPECT_EQ(sim::ReadKnobs().connectDelayMs, 1500u);
             EXPECT_EQ(sim::ReadKnobs().hangUpDelayMs, 250u);
         }},
        {"fail-next 3 651",
         [] {
             EXPECT_EQ(sim::ReadKnobs().failNextCount, 3u);
             EXPECT_EQ(sim::ReadKnobs().failNextError, 651u);
         }},
        {"keep-address", [] { EXPECT_TRUE(sim::ReadKnobs().keepAddressNext); }},
        {"busy-after-hangup 2500", [] { EXPECT_EQ(sim::ReadKnobs().busyAfterHangUpMs, 2500u); }},
        {"notify off", [] { EXPECT_FALSE(sim::ReadKnobs().notificationsOn); }},
        {"notify on", [] { EXPECT_TRUE(sim::ReadKnobs().notificationsOn); }},
        {"page-delay 700", [] { EXPECT_EQ(sim::ReadKnobs().pageDelayMs, 700u); }},
        {"page-garbage on", [] { EXPECT_TRUE(sim::ReadKnobs().pageGarbage); }},
        {"page-garbage off", [] { EXPECT_FALSE(sim::ReadKnobs().pageGarbage); }},
        {"pool 203.0.113.5 203.0.113.6",
         [] {
             EXPECT_EQ(sim::ReadKnobs().pool,
                       (std::vector<std::string>{"203.0.113.5", "203.0.113.6"}));
         }},
        {"hangup-never on", [] { EXPECT_TRUE(sim::ReadKnobs().hangUpNeverCompletes); }},
        {"hangup-never off", [] { EXPECT_FALSE(sim::ReadKnobs().hangUpNeverCompletes); }},
        {"router on 198.51.100.8",
         [] {
             EXPECT_TRUE(sim::ReadKnobs().routerMode);
             EXPECT_EQ(sim::PublicAddress(), "198.51.100.8");
         }},
        {"router off", [] { EXPECT_FALSE(sim::ReadKnobs().routerMode); }},
        {"offline on", [] { EXPECT_TRUE(sim::ReadKnobs().offline); }},
        {"offline off", [] { EXPECT_FALSE(sim::ReadKnobs().offline); }},
        {"external 宽带连接 203.0.113.9",
         [] {
             const auto connections = sim::Connections();
             ASSERT_EQ(connections.size(), 1u);
             EXPECT_TRUE(connections[0].external);
             EXPECT_EQ(connections[0].entryName, "宽带连接");
             EXPECT_EQ(connections[0].state, qv::RASCS_Connected);
             EXPECT_EQ(connections[0].address, "203.0.113.9");
         }},
        {"stuck-auth 电信",
         [] {
             const auto connections = sim::Connections();
             ASSERT_EQ(connections.size(), 2u);
             EXPECT_EQ(connections[1].state, qv::RASCS_Authenticate);
         }},
        {"drop all",
         [] {
             for (const auto& c : sim::Connections()) {
                 EXPECT_EQ(c.state, qv::RASCS_Disconnected);
             }
         }},
        {"clear-connections", [] { EXPECT_TRUE(sim::Connections().empty()); }},
        {"reset",
         [] {
             const auto knobs = sim::ReadKnobs();
             EXPECT_TRUE(knobs.entries.empty());
             EXPECT_EQ(knobs.connectDelayMs, 0u);
             EXPECT_EQ(knobs.pool.size(), 8u);
             EXPECT_EQ(knobs.busyAfterHangUpMs, 0u);
             EXPECT_EQ(knobs.pageDelayMs, 0u);
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.args);
        const CommandRun run = Ispctl(row.args);
        EXPECT_EQ(run.exitCode, 0u) << run.output;
        row.check();
    }
    EXPECT_EQ(Ispctl("no-such-command").exitCode, 2u);
    EXPECT_EQ(Ispctl("delays 10").exitCode, 2u);
    EXPECT_EQ(Ispctl("fail-next 1 0").exitCode, 2u);
    EXPECT_EQ(Ispctl("notify maybe").exitCode, 2u);
    EXPECT_EQ(Ispctl("drop 0x1").exitCode, 1u);

    const auto handle = sim::AddExternalConnection("宽带连接");
    char args[64];
    std::snprintf(args, sizeof args, "drop 0x%llx", static_cast<unsigned long long>(handle));
    EXPECT_EQ(Ispctl(args).exitCode, 0u);
    EXPECT_EQ(sim::Connections()[0].error, qv::kRasRemoteDisconnection);
}

TEST_F(SimIspTest, OneIspAtATimeAndStopEndsIt) {
    sim::IspProcess isp(kPort);
    ASSERT_TRUE(isp.Running());
    const std::uint32_t pid = sim::IspPid();
    EXPECT_NE(pid, 0u);
    EXPECT_EQ(sim::IspPort(), kPort);

    sim::IspProcess second(qv::testing::FreePort());
    EXPECT_FALSE(second.Running());
    EXPECT_EQ(sim::IspPid(), pid);

    const CommandRun stop = Ispctl("stop");
    EXPECT_EQ(stop.exitCode, 0u) << stop.output;
    EXPECT_EQ(sim::IspPid(), 0u);
    EXPECT_EQ(Fetch("/ic.asp").status, 0u);  // nobody answers any more
}

}  // namespace
