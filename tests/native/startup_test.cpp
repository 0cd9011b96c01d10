#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "native/fake_services.h"

namespace qv {
namespace {

using testing::Lines;
using testing::Rig;

using testing::kEchoUrl;
using testing::kFetch;
// The main window's handle as the fake gives it, the icon file's size and the tip.
const std::string kTraySetup =
    "traysetup window=4097 icon=4286 tip=Telmora(" QV_MAKER_SITE ")QuorvaneV1.0 callback";
const std::string kRouterWarning =
    "box 请注意：当前网络环境为路由器上网或无线wifi网络，不支持ADSL拔号！ style=48 title=提示";

void Prepare(Rig& rig) {
    rig.profile.values[{"高级设置", "IP查询地址"}] = kEchoUrl;
    rig.dialup.entries = {"宽带连接", "ADSL"};
}

TEST(InitMainWindow, EachNetworkEnvironmentInTheStartUpOrder) {
    const struct {
        const char* name;
        bool dialUpOnline;
        const char* page;
        Lines warning;
        const char* state;
        const char* ip;
    } rows[] = {
        {"offline: no warning", false, "", {}, "当前状态：网络未连接", ""},
        {"through a router: warned once",
         false,
         "[192.0.2.7]",
         {kRouterWarning},
         "当前状态：网络未连接",
         "192.0.2.7"},
        {"already dialled: no warning", true, "[58.9.9.9]", {}, "当前状态：网络已连接", "58.9.9.9"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Rig rig;
        Prepare(rig);
        rig.dialup.connected = row.dialUpOnline;
        rig.web.page = row.page;
        rig.assistant.InitMainWindow();

        Lines expected = {kTraySetup, kFetch};
        expected.insert(expected.end(), row.warning.begin(), row.warning.end());
        const Lines rest = {"entries",
                            "entry 0",
                            "item 宽带连接",
                            "entry 1",
                            "item ADSL",
                            "write 23.19=0",
                            std::string("status0 ") + row.state,
                            kFetch,
                            std::string("status1 当前IP：") + row.ip,
                            "status2 之前IP：无信息",
                            "write 4.6=1"};
        expected.insert(expected.end(), rest.begin(), rest.end());
        EXPECT_EQ(rig.journal.entries, expected);
        EXPECT_EQ(rig.state.currentIp, "") << "the start-up IP is shown, not kept";
        EXPECT_EQ(rig.state.previousIp, "");
    }
}

TEST(InitMainWindow, RestoresCompleteSettingsAfterListingTheEntries) {
    Rig rig;
    Prepare(rig);
    rig.profile.values[{"宽带信息", "连接索引"}] = "1";
    rig.profile.values[{"宽带信息", "ADSL账号"}] = "user@163";
    rig.profile.values[{"宽带信息", "ADSL密码"}] = "secret";
    rig.assistant.InitMainWindow();
    const Lines& lines = rig.journal.entries;
    // The phonebook is listed once: its count, then each name.
    const Lines restore = {"entries",
                           "entry 0",
                           "item 宽带连接",
                           "entry 1",
                           "item ADSL",
                           "write 23.19=1",
                           "write 21.8=user@163",
                           "write 19.8=secret",
                           "status0 当前状态：网络未连接"};
    ASSERT_GE(lines.size(), 2 + restore.size());
    EXPECT_EQ(Lines(lines.begin() + 2, lines.begin() + 2 + static_cast<long>(restore.size())),
              restore);
}

TEST(InitMainWindow, NoEntriesStillSetsTheSelection) {
    Rig rig;
    Prepare(rig);
    rig.dialup.entries.clear();
    rig.assistant.InitMainWindow();
    EXPECT_TRUE(rig.units.items[Unit::组合框_宽带连接].empty());
    EXPECT_EQ(rig.journal.entries[2], "entries");
    EXPECT_EQ(rig.journal.entries[3], "write 23.19=0");
}

// Without the override the built-in page is used; with it, both start-up fetches go there.
TEST(InitMainWindow, EchoPageOverrideIsReadBeforeTheFirstLookup) {
    for (const bool overridden : {false, true}) {
        Rig rig;
        Prepare(rig);
        if (!overridden) {
            rig.profile.values.clear();
        }
        rig.assistant.InitMainWindow();
        const std::string fetch = std::string("fetch ") + (overridden ? kEchoUrl : QV_IP_ECHO_URL);
        int fetches = 0;
        for (const std::string& line : rig.journal.entries) {
            if (line.rfind("fetch ", 0) == 0) {
                EXPECT_EQ(line, fetch);
                ++fetches;
            }
        }
        EXPECT_EQ(fetches, 2) << "the page is fetched twice at start-up";
    }
}

TEST(InitMainWindow, ContinuesAfterTheWarningWhateverTheBoxReturns) {
    Rig rig;
    Prepare(rig);
    rig.web.page = "[192.0.2.7]";
    rig.units.messageBoxResult = 1;
    rig.assistant.InitMainWindow();
    EXPECT_EQ(rig.journal.entries.back(), "write 4.6=1");
}

TEST(TrayMouseHandler, OnlyARightButtonPressOpensTheTrayMenu) {
    Rig rig;
    Prepare(rig);
    rig.assistant.InitMainWindow();
    ASSERT_TRUE(rig.tray.kept);
    rig.journal.entries.clear();
    for (std::uint32_t mouse : {0x200u, 0x201u, 0x202u, 0x203u, 0x205u, 0x206u}) {
        rig.tray.kept(mouse);  // move, left press/release/double, right release/double
    }
    EXPECT_EQ(rig.journal.entries, Lines{});
    rig.tray.kept(0x204);
    EXPECT_EQ(rig.journal.entries,
              Lines{"popup " + std::to_string(static_cast<int>(Unit::托盘菜单))});
}

TEST(CheckNetworkEnvironment, ClassifiesByPageAndLine) {
    const struct {
        const char* page;
        bool connected;
        NetworkEnvironment expected;
    } rows[] = {
        {"[1.2.3.4]", false, NetworkEnvironment::RouterOrWireless},
        {"[1.2.3.4]", true, NetworkEnvironment::DialUpOnline},
        {"", false, NetworkEnvironment::Offline},
        {"", true, NetworkEnvironment::Offline},
        {"[]", true, NetworkEnvironment::Offline},
        {"[ ]", false, NetworkEnvironment::Offline},  // no address: as an unreadable page
        {"[<b>error</b>]", false, NetworkEnvironment::Offline},
    };
    for (const auto& row : rows) {
        Rig rig;
        Prepare(rig);
        rig.web.page = row.page;
        rig.dialup.connected = row.connected;
        EXPECT_EQ(rig.assistant.CheckNetworkEnvironment(), row.expected)
            << row.page << " connected=" << row.connected;
        EXPECT_TRUE(rig.journal.entries.size() == 1) << "one fetch, nothing shown";
    }
}

}  // namespace
}  // namespace qv
