// A fleet node's redials: the settings' bounds, the drain before the hang-up, pauses that grow
// after repeated addresses, and timer waits that drift apart.
#include <gtest/gtest.h>

#include "app/fleet_settings.h"
#include "native/fake_services.h"

namespace qv::testing {
namespace {

TEST(FleetSettings, BoundsPausesAndJitter) {
    FakeProfile profile;
    EXPECT_EQ(ReadFleetSettings(profile).pauseSeconds, 0);
    profile.values[{kFleetSection, kKeyDrainSeconds}] = "61";
    profile.values[{kFleetSection, kKeyPauseSeconds}] = "2";
    profile.values[{kFleetSection, kKeyJitterPercent}] = "20";
    const FleetSettings read = ReadFleetSettings(profile);
    EXPECT_EQ(read.drainSeconds, 0) << "out of range keeps the default";
    EXPECT_EQ(read.jitterPercent, 20);

    EXPECT_EQ(RedialPauseMs({}, 5), 1000u) << "without 断线等待 the pause never grows";
    for (const auto& [repeats, pause] :
         {std::pair{0, 2000u}, {1, 4000u}, {2, 8000u}, {9, 60000u}}) {
        EXPECT_EQ(RedialPauseMs(read, repeats), pause) << repeats;
    }
    EXPECT_EQ(JitteredIntervalMs(20000, 20, 0), 16000u);
    EXPECT_EQ(JitteredIntervalMs(20000, 20, 0xffffffffu), 24000u);
    EXPECT_EQ(JitteredIntervalMs(20000, 20, 0x80000000u), 20000u);
    EXPECT_EQ(JitteredIntervalMs(20000, 0, 0), 20000u);
}

struct FleetRig : Rig {
    FleetRig() {
        pump.journal = &journal;
        dialup.entries = {"宽带连接"};
        dialup.connected = true;
        web.page = "[61.1.1.1]";
    }
};

TEST(FleetRedial, DrainsBeforeTheHangUpAndPausesLongerAfterEachRepeat) {
    FleetRig rig;
    rig.assistant.SetFleet({.drainSeconds = 3, .pauseSeconds = 2});
    rig.units.ints[{Unit::选择框_IP重复, prop::kChecked}] = 1;
    // Before and after each round's dial: repeated twice, then new.
    rig.web.pages = {"[61.1.1.1]", "[61.1.1.1]", "[61.1.1.1]",
                     "[61.1.1.1]", "[61.1.1.1]", "[61.2.2.2]"};
    rig.assistant.RedialCommand();
    EXPECT_EQ(rig.Only("wait "), (Lines{"wait 3001", "wait 2001", "wait 3001", "wait 4001",
                                        "wait 3001", "wait 8001"}));
    EXPECT_EQ(rig.Only("status0 当前状态：已从代理池摘除").size(), 3u);

    // A person's hang-up during the drain has the last word: the redial gives way.
    FleetRig nested;
    nested.assistant.SetFleet({.drainSeconds = 3});
    nested.pump.onProcess = [&] { nested.assistant.Raise(Handler::HangUpCommand, 0, 0); };
    EXPECT_EQ(nested.assistant.RedialCommand().status, CommandStatus::GaveWay);
    EXPECT_EQ(nested.Only("hangup").size(), 1u);
    EXPECT_TRUE(nested.Only("dial ").empty());
}

TEST(FleetRedial, TimedWaitsAreDrawnAfreshEachTick) {
    Rig rig;
    rig.assistant.SetFleet({.jitterPercent = 20});
    std::uint32_t draws[] = {0, 0xffffffffu};
    int next = 0;
    rig.assistant.SetRandomSource([&] { return draws[next++ % 2]; });
    rig.units.texts[{Unit::按钮_定时, prop::kCaption}] = "开始定时";
    rig.units.texts[{Unit::编辑框_定时间隔, prop::kContent}] = "20";
    const auto period = [&] { return rig.units.ints[{Unit::时钟1, prop::kContent}]; };
    rig.assistant.ToggleTimedRedial();
    EXPECT_EQ(period(), 16000);
    rig.assistant.TimedRedialTick();
    EXPECT_EQ(period(), 24000);
}

}  // namespace
}  // namespace qv::testing
