// The dial and hang-up commands as the window runs them: every outcome in its order.
#include <algorithm>
#include <deque>
#include <string>

#include <gtest/gtest.h>

#include "native/fake_services.h"
#include "ui/form_table.h"

namespace qv::testing {
namespace {

TEST(DialCommand, EveryOutcomeInItsOrder) {
    const struct {
        const char* name;
        std::deque<bool> connected;  // answers to IsConnected, in call order
        int selection;
        const char* page;
        Lines expected;
        const char* currentIpAfter;
    } rows[] = {
        // clang-format off
        {"already connected shows only the refusal", {true}, 1, "[1.2.3.4]",
         {"box 当前已有网络链接，请断线后再拔号！ style=0"}, "old"},
        {"success: status texts first, then the balloon", {false, true}, 1,
         "<p>您的IP是：[58.1.2.3] 来自：某地</p>",
         {kTypedDial, kFetch, "status0 当前状态：拔号完毕", "status1 当前IP：58.1.2.3",
          "balloon 拔号完毕，当前IP为\"58.1.2.3\" kind=1"}, "58.1.2.3"},
        {"failure: the balloon first, then the status text", {false, false}, 1, "[1.2.3.4]",
         {kTypedDial, "balloon 拔号失败！ kind=3", "status0 当前状态：拔号失败"}, "old"},
        {"no selection dials @-1 and fails", {false, false}, -1, "",
         {"dial @-1 user@163 secret", "balloon 拔号失败！ kind=3", "status0 当前状态：拔号失败"},
         "old"},
        {"an unreadable page after a good dial still counts as success", {false, true}, 1,
         "<html>busy</html>",
         {kTypedDial, kFetch, "status0 当前状态：拔号完毕", "status1 当前IP：",
          "balloon 拔号完毕，当前IP为\"\" kind=1"}, ""},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Rig rig;
        rig.TypeDialTarget();
        rig.state.currentIp = "old";
        rig.state.previousIp = "before";
        rig.dialup.connectedAnswers = row.connected;
        rig.units.ints[{Unit::组合框_宽带连接, prop::kSelection}] = row.selection;
        rig.web.page = row.page;
        rig.assistant.Raise(Handler::DialCommand, 0, 0);
        EXPECT_EQ(rig.journal.entries, row.expected);
        EXPECT_EQ(rig.state.currentIp, row.currentIpAfter);
        EXPECT_EQ(rig.state.previousIp, "before") << "a dial never touches the previous IP";
        EXPECT_EQ(rig.units.statusParts[2], "之前IP：");
    }
}

TEST(DialCommand, JudgesSuccessOnlyByTheConnectionStateAfterwards) {
    for (const bool dialReports : {true, false}) {
        Rig rig;
        rig.TypeDialTarget();
        rig.dialup.dialConnects = dialReports;
        rig.dialup.connectedAnswers = {false, !dialReports};
        rig.web.page = "[10.0.0.1]";
        rig.assistant.Raise(Handler::DialCommand, 0, 0);
        const std::string outcome =
            dialReports ? "status0 当前状态：拔号失败" : "status0 当前状态：拔号完毕";
        EXPECT_NE(std::find(rig.journal.entries.begin(), rig.journal.entries.end(), outcome),
                  rig.journal.entries.end())
            << "Dial reported " << dialReports;
    }
}

TEST(DialCommand, PassesTheWindowsCurrentTextsEvenWhenEmpty) {
    Rig rig;
    rig.TypeDialTarget();
    rig.units.ints[{Unit::组合框_宽带连接, prop::kSelection}] = 0;
    rig.units.texts[{Unit::编辑框_宽带账号, prop::kContent}] = "";
    rig.units.texts[{Unit::编辑框_宽带密码, prop::kContent}] = "";
    rig.profile.values[{"宽带信息", "ADSL账号"}] = "stored";
    rig.assistant.Raise(Handler::DialCommand, 0, 0);
    ASSERT_FALSE(rig.journal.entries.empty());
    EXPECT_EQ(rig.journal.entries.front(), "dial @0  ");
}

TEST(HangUpCommand, EveryOutcomeInItsOrder) {
    const struct {
        const char* name;
        bool connected;
        const char* page;
        Lines expected;
        const char* previousIpAfter;
    } rows[] = {
        // clang-format off
        {"nothing up shows only the refusal", false, "[1.2.3.4]",
         {"box 当前无拔号连接，无需断线！ style=0"}, "before"},
        {"looks the IP up while still online, then hangs up", true, "[61.5.6.7]",
         {kFetch, "status2 之前IP：61.5.6.7", "hangup", "status0 当前状态：已断开网络连接",
          "balloon 已断开网络连接 kind=1"}, "61.5.6.7"},
        {"an unreadable page still hangs up", true, "",
         {kFetch, "status2 之前IP：", "hangup", "status0 当前状态：已断开网络连接",
          "balloon 已断开网络连接 kind=1"}, ""},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Rig rig;
        rig.TypeDialTarget();
        rig.state.previousIp = "before";
        rig.state.currentIp = "61.5.6.7";
        rig.units.statusParts[1] = "当前IP：61.5.6.7";
        rig.dialup.connected = row.connected;
        rig.web.page = row.page;
        rig.assistant.Raise(Handler::HangUpCommand, 0, 0);
        EXPECT_EQ(rig.journal.entries, row.expected);
        EXPECT_EQ(rig.state.previousIp, row.previousIpAfter);
        EXPECT_EQ(rig.state.currentIp, "61.5.6.7");
        EXPECT_EQ(rig.units.statusParts[1], "当前IP：61.5.6.7") << "part 1 keeps the old IP";
    }
}

TEST(HangUpCommand, SecondClickOnlyRefuses) {
    Rig rig;
    rig.TypeDialTarget();
    rig.dialup.connected = true;
    rig.web.page = "[61.5.6.7]";
    rig.assistant.Raise(Handler::HangUpCommand, 0, 0);
    rig.journal.entries.clear();
    rig.assistant.Raise(Handler::HangUpCommand, 0, 0);
    EXPECT_EQ(rig.journal.entries, Lines{"box 当前无拔号连接，无需断线！ style=0"});
}

// Each listing of the connections asks the system. A command lists them where it must know:
// before it acts, after its dial, and after a pause in which another command may have dialled.
TEST(Commands, ListTheConnectionsOnlyWhereTheyMustKnow) {
    const struct {
        const char* name;
        Handler handler;
        bool connected;
        int listings;
    } rows[] = {
        {"start-up: the network check, then the state", Handler::InitMainWindow, false, 2},
        {"dial: before and after", Handler::DialCommand, false, 2},
        {"dial refused", Handler::DialCommand, true, 1},
        {"hang-up", Handler::HangUpCommand, true, 1},
        {"hang-up refused", Handler::HangUpCommand, false, 1},
        {"redial: before, after the pause, after the dial", Handler::RedialCommand, true, 3},
        {"redial with the line down: before, after the dial", Handler::RedialCommand, false, 2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Rig rig;
        rig.TypeDialTarget();
        rig.dialup.connected = row.connected;
        rig.web.page = "[61.5.6.7]";
        rig.assistant.Raise(row.handler, 0, 0);
        EXPECT_EQ(rig.dialup.isConnectedCalls, row.listings);
    }
}

}  // namespace
}  // namespace qv::testing
