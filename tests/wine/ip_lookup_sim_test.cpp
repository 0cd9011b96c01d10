// The public IP lookup through the real page fetch against the simulated ISP's echo page:
// whatever address the line shows is what the lookup returns, fetched afresh every time.
#include "native/fake_services.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>

#include "sim_control.h"
#include "web/http_fetch_win.h"
#include "wine/support/sim_line_test.h"
#include "wine/support/wine_support.h"

namespace qv::testing {
namespace {

namespace sim = qv::sim;

class IpLookupSimTest : public SimLineTest {
  protected:
    void SetUp() override {
        SimLineTest::SetUp();
        ASSERT_TRUE(isp.Running());
    }
    void TearDown() override {
        SimLineTest::TearDown();
        CloseHttpSession();
    }

    sim::IspProcess isp{FreePort()};
    WinPageFetcher web;
    Rig rig{&web, nullptr};
};

TEST_F(IpLookupSimTest, LookupReturnsTheAddressTheLineShows) {
    rig.assistant.SetIpEchoPageUrl(isp.EchoUrl());
    const struct {
        const char* name;
        std::function<void()> arrange;
        const char* expected;
    } rows[] = {
        {"dial-up up", [] { sim::AddExternalConnection("宽带连接", "203.0.113.77"); },
         "203.0.113.77"},
        {"router", [] { sim::SetRouterMode(true, "198.51.100.9"); }, "198.51.100.9"},
        {"no connection", [] {}, ""},
        {"offline",
         [] {
             sim::AddExternalConnection("宽带连接", "203.0.113.78");
             sim::SetOffline(true);
         },
         ""},
    };
    for (const auto& row : rows) {
        sim::Reset();
        row.arrange();
        EXPECT_EQ(rig.assistant.PublicIpLookup(), row.expected) << row.name;
        EXPECT_EQ(sim::PageFetches(), 1u) << row.name;
    }
}

TEST_F(IpLookupSimTest, EveryLookupFetchesAgainAndSeesANewAddress) {
    rig.assistant.SetIpEchoPageUrl(isp.EchoUrl());
    ASSERT_NE(sim::AddExternalConnection("宽带连接", "203.0.113.10"), 0u);
    EXPECT_EQ(rig.assistant.PublicIpLookup(), "203.0.113.10");
    sim::ClearConnections();
    sim::AddExternalConnection("宽带连接", "203.0.113.11");
    EXPECT_EQ(rig.assistant.PublicIpLookup(), "203.0.113.11");
    EXPECT_EQ(sim::PageFetches(), 2u);
}

// The echo page named in Config.ini is the one the start-up lookups fetch.
TEST_F(IpLookupSimTest, ConfiguredEchoPageIsUsedAtStartUp) {
    rig.profile.values[{"高级设置", "IP查询地址"}] = isp.EchoUrl();
    sim::AddExternalConnection("宽带连接", "203.0.113.90");
    rig.dialup.connected = true;
    rig.assistant.InitMainWindow();
    EXPECT_EQ(rig.units.statusParts[1], "当前IP：203.0.113.90");
    EXPECT_EQ(sim::PageFetches(), 2u);  // the network check and the status line
}

}  // namespace
}  // namespace qv::testing
